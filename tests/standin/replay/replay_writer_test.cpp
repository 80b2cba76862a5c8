// The replay page's writer: which steps it keeps, what the page holds, and
// that a failure leaves the previous page alone.
#include "standin/replay/replay_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "standin/replay/lean_step.h"
#include "standin/replay/trace_replay.h"

namespace {

namespace fs = std::filesystem;
using standin::ReplayWriter;
using standin::TraceRecordKind;

class ReplayWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("krv_replay_" + std::string(info->name()));
        fs::remove_all(dir);
        fs::create_directories(dir / "data" / "Meshes" / "m");
        fs::create_directories(dir / "data" / "Textures");
        put(dir / "data" / "Meshes" / "m" / "m.obj", "mtllib m.mtl\nv 0 0 0\n");
        put(dir / "data" / "Meshes" / "m" / "m.mtl",
            "newmtl a\nmap_Kd skin.png\nmap_Ks gone.png\n");
        put(dir / "data" / "Textures" / "skin.png", "Man");
        put(dir / "page.html", "<p>before</p><script>__KRV_REPLAY_DATA__</script>after");
    }
    void TearDown() override { fs::remove_all(dir); }

    static void put(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::string get(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    ReplayWriter writer(std::size_t max_steps = standin::kReplayMaxSteps) const {
        return ReplayWriter(dir / "page.html", dir / "data", "m/m", max_steps);
    }

    fs::path dir;
};

std::string step(int n) {
    return "{\"type\":\"step\",\"n\":" + std::to_string(n) + "}";
}

TEST_F(ReplayWriterTest, KeepsStepsEvenlyAndEveryEventFirstAndLastStepInOrder) {
    ReplayWriter w = writer(1000);
    w.add(TraceRecordKind::header, 0, "{\"type\":\"header\"}");
    const int steps = 100003;
    for (int n = 1; n <= steps; ++n) {
        w.add(TraceRecordKind::step, n, step(n));
        if (n % 997 == 0)
            w.add(TraceRecordKind::event, n, "{\"type\":\"key\",\"k\":" + std::to_string(n) + "}");
    }
    w.add(TraceRecordKind::end, steps, "{\"type\":\"end\"}");
    EXPECT_LE(w.kept_steps(), 1001u);
    EXPECT_GE(w.kept_steps(), 400u);

    std::string json, error;
    ASSERT_TRUE(w.data_json(json, &error)) << error;
    // Records in arrival order: numbers of steps and events never go back.
    int last = 0, kept = 0, events = 0, widest_gap = 0;
    for (auto at = json.find("{\"type\":\""); at != std::string::npos;
         at = json.find("{\"type\":\"", at + 1)) {
        const bool is_step = json.compare(at, 15, "{\"type\":\"step\",") == 0;
        const bool is_key = json.compare(at, 14, "{\"type\":\"key\",") == 0;
        if (!is_step && !is_key) continue;
        const int n = std::stoi(json.substr(json.find(':', at + 14) + 1));
        EXPECT_GE(n, last);
        if (is_step) {
            if (kept == 0) {
                EXPECT_EQ(n, 1);
            } else {
                widest_gap = std::max(widest_gap, n - last);
            }
            ++kept;
        } else {
            ++events;
        }
        last = n;
    }
    EXPECT_EQ(events, steps / 997);
    EXPECT_EQ(static_cast<std::size_t>(kept), w.kept_steps());
    EXPECT_EQ(last, steps);  // the last step is the last record numbered
    EXPECT_LE(widest_gap, 4 * steps / 1000);
    EXPECT_EQ(json.rfind("{\"type\":\"end\"}"), json.find("{\"type\":\"end\"}"));
}

TEST_F(ReplayWriterTest, PageHoldsTheDataWithNothingThatClosesItsScript) {
    ReplayWriter w = writer();
    w.add(TraceRecordKind::header, 0, "{\"type\":\"header\"}");
    w.add(TraceRecordKind::event, 1, "{\"type\":\"hud\",\"texts\":[{\"text\":\"</script><b>\"}]}");
    w.add(TraceRecordKind::step, 1, step(1));
    std::string error;
    ASSERT_TRUE(w.write(dir / "replay.html", &error)) << error;
    const std::string page = get(dir / "replay.html");
    EXPECT_EQ(page.find("<p>before</p><script>{\"format\":1,\"records\":[{\"type\":\"header\"}"),
              0u);
    EXPECT_EQ(page.substr(page.size() - 14), "</script>after");
    EXPECT_EQ(page.find("</script>"), page.size() - 14);
    EXPECT_NE(page.find("\\u003c/script>\\u003cb>"), std::string::npos);
    EXPECT_NE(page.find("\"obj\":\"mtllib m.mtl\\nv 0 0 0\\n\""), std::string::npos);
    EXPECT_NE(page.find("\"mtl\":\"newmtl a\\nmap_Kd skin.png\\nmap_Ks gone.png\\n\""),
              std::string::npos);
    // A texture is there in base64; one the installation lacks is left out.
    EXPECT_NE(page.find("\"textures\":{\"skin.png\":\"TWFu\"}"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "replay.html.tmp"));
}

TEST_F(ReplayWriterTest, AFailureNamesTheFileAndLeavesThePreviousPage) {
    put(dir / "replay.html", "previous");
    std::string error;
    put(dir / "page.html", "<script>no placeholder</script>");
    EXPECT_FALSE(writer().write(dir / "replay.html", &error));
    EXPECT_NE(error.find("page.html"), std::string::npos) << error;
    put(dir / "page.html", "__KRV_REPLAY_DATA__ __KRV_REPLAY_DATA__");
    EXPECT_FALSE(writer().write(dir / "replay.html", &error));
    put(dir / "page.html", "__KRV_REPLAY_DATA__");
    fs::remove(dir / "data" / "Meshes" / "m" / "m.obj");
    EXPECT_FALSE(writer().write(dir / "replay.html", &error));
    EXPECT_NE(error.find("m.obj"), std::string::npos) << error;
    EXPECT_FALSE(writer().write(dir / "no_such_dir" / "replay.html", &error));
    EXPECT_EQ(get(dir / "replay.html"), "previous");
}

// A step cut to the page's fields: values copied byte for byte (numbers in
// their exact text, strings with braces and quotes in them), the rest gone.
TEST(LeanStep, KeepsThePagesFieldsVerbatimAndRefusesWhatIsNoObject) {
    const std::string json =
        "{\"type\":\"step\",\"n\":7,\"t\":12.000000000000002,\"mjd\":60476.1,\"dt\":1,"
        "\"vessels\":[{\"name\":\"K \\\"}{[\",\"pos_m\":[1,2,3],\"q\":[1,0,0,-0],"
        "\"host\":{\"earth_found\":true,\"x\":{\"q\":1}},\"anim\":{\"ant\":0.25,\"hga_rot\":"
        "0.1,\"lid\":1},\"set\":[\"ant\"],\"thrust\":{\"main\":0,\"yawleft\":0.5},"
        "\"earth_dish\":null,\"scenario_lines\":[\"ANT 0 }\"]}]}";
    const std::string header =
        "{\"type\":\"header\",\"vessels\":[{\"name\":\"A\",\"profile\":null},{\"name\":"
        "\"K\",\"profile\":{\"class\":\"X\",\"animations\":{\"booms\":\"ant\",\"rotation\":"
        "\"hga_rot\",\"tilt1\":\"t1\",\"wings\":\"w\"}}}]}";
    const standin::TrackingAnimations tracking = standin::tracking_animations(header);
    EXPECT_TRUE(tracking.known);
    EXPECT_EQ(tracking.names, (std::vector<std::string>{"hga_rot", "t1"}));
    standin::LeanStep lean;
    ASSERT_TRUE(standin::lean_step(json, tracking, &lean));
    EXPECT_EQ(lean.json,
              "{\"type\":\"step\",\"n\":7,\"t\":12.000000000000002,\"mjd\":60476.1,\"dt\":1,"
              "\"vessels\":[{\"name\":\"K \\\"}{[\",\"q\":[1,0,0,-0],\"anim\":{\"ant\":0.25,"
              "\"hga_rot\":0.1,\"lid\":1},\"thrust\":{\"main\":0,\"yawleft\":0.5},"
              "\"earth_dish\":null}]}");
    EXPECT_EQ(lean.mechanisms, "{\"ant\"0.25\"lid\"1}");
    EXPECT_EQ(lean.tracking, std::vector<double>{0.1});
    EXPECT_TRUE(lean.thrusting);
    EXPECT_DOUBLE_EQ(lean.t, 12.000000000000002);
    // A trace without profiles: every animation is judged by its pace.
    const standin::TrackingAnimations unknown =
        standin::tracking_animations("{\"type\":\"header\",\"vessels\":[{\"profile\":null}]}");
    EXPECT_FALSE(unknown.known);
    ASSERT_TRUE(standin::lean_step(json, unknown, &lean));
    EXPECT_EQ(lean.mechanisms, "{}");
    EXPECT_EQ(lean.tracking, (std::vector<double>{0.25, 0.1, 1}));
    for (const char* bad :
         {"", "[1]", "{\"t\":1", "{\"t\":1,}", "{\"vessels\":[1]}", "{\"t\":\"open}", "{\"t\":1}x"})
        EXPECT_FALSE(standin::lean_step(bad, tracking, &lean)) << bad;
}

std::string vessel_step(double t, double ant, double rot, int thrust = 0) {
    std::ostringstream s;
    s << "{\"type\":\"step\",\"t\":" << t << ",\"vessels\":[{\"name\":\"V\",\"pos_m\":[1,2,3],"
      << "\"anim\":{\"ant\":" << ant << ",\"hga_rot\":" << rot
      << "},\"thrust\":{\"main\":" << thrust << "},\"padding\":\"" << std::string(200, 'x')
      << "\"}]}";
    return s.str();
}

// Under a tight byte budget the steps where a mechanism travels, a dish
// slews or its tracking bends, thrust is on, and those on each side of a key or burn edge all stay;
// the idle tracking between is spread evenly within the budget.
TEST_F(ReplayWriterTest, KeepsEveryStepThatMattersAndSpreadsTheRestWithinTheBytes) {
    const std::size_t budget = 40000;
    ReplayWriter w(dir / "page.html", dir / "data", "m/m", standin::kReplayMaxSteps, budget);
    w.add(TraceRecordKind::header, 0,
          "{\"type\":\"header\",\"vessels\":[{\"name\":\"V\",\"profile\":{\"animations\":"
          "{\"booms\":\"ant\",\"rotation\":\"hga_rot\"}}}]}");
    const int steps = 20000;
    for (int n = 0; n <= steps; ++n) {
        if (n == 100) w.add(TraceRecordKind::event, n, "{\"type\":\"key\",\"t\":100}");
        if (n == 9000) w.add(TraceRecordKind::event, n, "{\"type\":\"burn\",\"t\":9000}");
        const double ant = n < 100 ? 0 : n < 110 ? (n - 100) / 10.0 : 1;
        // A slew, then tracking that turns back at 16000 s and on again at
        // 16500 s, slower than a slew (as near the pole of the dish's gimbal).
        const double rot = n >= 110 && n < 115       ? (n - 110) * 0.1
                           : n >= 16000 && n < 16500 ? 0.16 - (n - 16000) * 9e-5
                           : n >= 16500              ? 0.115 + (n - 16500) * 1e-5
                                                     : n * 1e-5;
        w.add(TraceRecordKind::step, n, vessel_step(n, ant, rot, n >= 12000 && n < 12003));
    }
    std::string json, error;
    ASSERT_TRUE(w.data_json(json, &error)) << error;
    std::vector<int> kept;
    std::size_t bytes = 0;
    for (auto at = json.find("{\"type\":\"step\",\"t\":"); at != std::string::npos;
         at = json.find("{\"type\":\"step\",\"t\":", at + 1)) {
        kept.push_back(std::stoi(json.substr(at + 19)));
        bytes += json.find("}]}", at) + 3 - at;
    }
    EXPECT_EQ(json.find("pos_m"), std::string::npos);
    EXPECT_EQ(json.find("padding"), std::string::npos);
    EXPECT_LE(bytes, budget);
    const auto has = [&](int n) { return std::find(kept.begin(), kept.end(), n) != kept.end(); };
    for (int n : {0, 99, 100, 101, 105, 109, 110, 111, 114, 115, 8999, 9000, 12000, 12002, 16000,
                  16500, steps})
        EXPECT_TRUE(has(n)) << n;
    int widest = 0;
    for (std::size_t i = 1; i < kept.size(); ++i) widest = std::max(widest, kept[i] - kept[i - 1]);
    EXPECT_GE(bytes, budget / 2);
    EXPECT_LE(widest, 3 * steps / static_cast<int>(kept.size()));
    EXPECT_EQ(w.kept_steps(), kept.size());
}

// A trace file read back: the header's mesh, carriage returns dropped, and a
// line that is no record named by its number with nothing written.
TEST_F(ReplayWriterTest, ATraceFileReadBackOrItsBadLineNamed) {
    const auto from_trace = [&](const std::string& text) {
        put(dir / "trace.jsonl", text);
        return standin::write_replay_from_trace(dir / "trace.jsonl", dir / "replay.html",
                                                dir / "page.html", dir / "data");
    };
    const std::string header =
        "{\"type\":\"header\",\"format\":1,\"mesh\":\"m/m\",\"vessels\":[{\"name\":\"A\"}]}\r\n";
    const std::string step =
        "{\"type\":\"step\",\"t\":1,\"vessels\":[{\"pos_m\":[0,0,0],\"q\":[1,0,0,0]}]}";
    // The world's events pass through as they came.
    const std::string eclipse = R"({"type":"eclipse","t":1,"vessel":"A","phase":"entry"})";
    auto r = from_trace(
        header + step + "\r\n\n" + eclipse +
        "\n{\"type\":\"surface\",\"t\":1,\"vessel\":\"A\"}\n{\"type\":\"end\",\"t\":1}\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.kept_steps, 1u);
    EXPECT_NE(get(dir / "replay.html").find("{\"type\":\"end\",\"t\":1}"), std::string::npos);
    EXPECT_NE(get(dir / "replay.html").find(eclipse), std::string::npos);

    fs::remove(dir / "replay.html");
    r = from_trace(header + step + "\n{\"type\":\"step\"}\n");
    EXPECT_TRUE(!r.ok && r.bad_trace);
    EXPECT_NE(r.error.find("trace.jsonl:3:"), std::string::npos) << r.error;
    r = from_trace("{\"type\":\"step\",\"t\":1}\n");
    EXPECT_NE(r.error.find("trace.jsonl:1: the first record is not a trace header"),
              std::string::npos)
        << r.error;
    EXPECT_FALSE(fs::exists(dir / "replay.html"));
}

}  // namespace
