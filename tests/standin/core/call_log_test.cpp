// The call log keeps its calls' storage across clear(): a call recorded
// into a slot that held another must read as itself alone.
#include "standin/core/call_log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using standin::CallLog;
using standin::Recorded;

TEST(CallLog, ASlotReusedHoldsNothingOfItsLastCall) {
    CallLog log;
    log.stamp(1.0, "KRV-1");
    Recorded first{&log, log.add(nullptr, "GetElements", "ref mjd frame", nullptr, 2.0, 3)};
    first.answer("prm.period", 86164.0);
    first.result(true);
    // Arguments beyond the named ones, as a thruster group's list adds.
    standin::HostCall& grown = *first.call();
    grown.args.push_back(standin::make_arg(7));
    grown.arg_names.push_back("extra");
    log.clear();
    EXPECT_EQ(log.size(), 0u);
    EXPECT_THROW(log[0], std::out_of_range);

    log.stamp(2.0, "");
    log.add(nullptr, "zapiGetSimMJD", "");
    const auto& mjd = log[0];
    EXPECT_EQ(mjd.name, "zapiGetSimMJD");
    EXPECT_TRUE(mjd.args.empty());
    EXPECT_TRUE(mjd.arg_names.empty());
    EXPECT_FALSE(mjd.returned.has_value());
    EXPECT_TRUE(mjd.answers.empty());
    EXPECT_EQ(mjd.t, 2.0);
    EXPECT_EQ(mjd.caller, "");

    // The same call into the slot it had: its own names, not the grown ones.
    log.clear();
    log.stamp(3.0, "KRV-2");
    log.add(nullptr, "zapiGetSimMJD", "");
    log.add(nullptr, "GetElements", "ref mjd frame", nullptr, 4.0, 5);
    ASSERT_EQ(log.size(), 2u);
    const auto& elements = log[1];
    EXPECT_EQ(elements.arg_names, (std::vector<std::string>{"ref", "mjd", "frame"}));
    EXPECT_EQ(elements.args.size(), 3u);
    EXPECT_EQ(elements.arg<double>("mjd"), 4.0);
    EXPECT_EQ(elements.arg<std::int64_t>("frame"), 5);
    EXPECT_FALSE(elements.returned.has_value());
    EXPECT_THROW(elements.answer_value("prm.period"), std::out_of_range);
    EXPECT_EQ(elements.caller, "KRV-2");
    EXPECT_EQ(log.calls().back().name, "GetElements");
    EXPECT_EQ(log.count("GetElements"), 1u);
}

}  // namespace
