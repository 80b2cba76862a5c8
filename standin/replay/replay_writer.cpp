#include "standin/replay/replay_writer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <utility>

namespace standin {

namespace {

namespace fs = std::filesystem;

bool read_file(const fs::path& file, std::string& text, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        if (error != nullptr) *error = file.string() + ": cannot be read";
        return false;
    }
    return true;
}

void append_json_string(std::string& out, std::string_view text) {
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else {
            out += ch;
        }
    }
    out += '"';
}

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += kDigits[v >> 6 & 63];
        out += kDigits[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

// The last word of each line starting with `keyword`.
std::vector<std::string> last_words_of(const std::string& text, std::string_view keyword,
                                       bool prefix) {
    std::vector<std::string> out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string first, word, last;
        words >> first;
        const bool match =
            prefix ? first.compare(0, keyword.size(), keyword) == 0 : first == keyword;
        if (!match) continue;
        while (words >> word) last = word;
        if (!last.empty()) out.push_back(last);
    }
    return out;
}

}  // namespace

ReplayWriter::ReplayWriter(fs::path template_file, fs::path installation, std::string mesh,
                           std::size_t max_steps)
    : template_file_(std::move(template_file)),
      installation_(std::move(installation)),
      mesh_(std::move(mesh)),
      max_steps_(std::max<std::size_t>(max_steps, 2)) {}

void ReplayWriter::add(TraceRecordKind kind, double t, std::string_view json) {
    const std::size_t order = arrivals_++;
    if (kind != TraceRecordKind::step) {
        others_.push_back({order, t, std::string(json)});
        return;
    }
    last_step_ = {order, t, std::string(json)};
    have_last_step_ = true;
    if (steps_.empty() || t - steps_.back().t >= spacing_) {
        steps_.push_back(last_step_);
        if (steps_.size() > max_steps_) thin();
    }
}

void ReplayWriter::thin() {
    while (steps_.size() > max_steps_) {
        const double span = steps_.back().t - steps_.front().t;
        const double even = span / (static_cast<double>(max_steps_) / 2.0);
        spacing_ = spacing_ > 0.0 ? std::max(spacing_ * 2.0, even) : even;
        if (!(spacing_ > 0.0)) spacing_ = 1e-9;  // every step at one time: keep few
        std::vector<Kept> kept;
        kept.reserve(max_steps_ / 2 + 1);
        for (Kept& s : steps_)
            if (kept.empty() || s.t - kept.back().t >= spacing_) kept.push_back(std::move(s));
        steps_ = std::move(kept);
    }
}

std::size_t ReplayWriter::kept_steps() const {
    const bool last_extra =
        have_last_step_ && (steps_.empty() || steps_.back().order != last_step_.order);
    return steps_.size() + (last_extra ? 1 : 0);
}

bool ReplayWriter::data_json(std::string& json, std::string* error) const {
    const fs::path obj_file = installation_ / "Meshes" / (mesh_ + ".obj");
    std::string obj, mtl;
    if (!read_file(obj_file, obj, error)) return false;
    const auto mtllibs = last_words_of(obj, "mtllib", false);
    const fs::path mtl_file = mtllibs.empty() ? fs::path() : obj_file.parent_path() / mtllibs[0];
    if (!mtl_file.empty() && !read_file(mtl_file, mtl, error)) return false;

    json.clear();
    json += "{\"format\":1,\"records\":[";
    // Steps and the other records back in the order they came.
    std::vector<const Kept*> records;
    records.reserve(steps_.size() + others_.size() + 1);
    for (const Kept& s : steps_) records.push_back(&s);
    if (have_last_step_ && (steps_.empty() || steps_.back().order != last_step_.order))
        records.push_back(&last_step_);
    for (const Kept& o : others_) records.push_back(&o);
    std::sort(records.begin(), records.end(),
              [](const Kept* a, const Kept* b) { return a->order < b->order; });
    bool first = true;
    for (const Kept* r : records) {
        if (!first) json += ',';
        first = false;
        json += r->json;
    }
    json += "],\"mesh\":";
    append_json_string(json, mesh_);
    json += ",\"obj\":";
    append_json_string(json, obj);
    json += ",\"mtl\":";
    append_json_string(json, mtl);
    json += ",\"textures\":{";
    first = true;
    std::vector<std::string> seen;
    for (const std::string& name : last_words_of(mtl, "map_", true)) {
        const std::string base = fs::path(name).filename().string();
        if (std::find(seen.begin(), seen.end(), base) != seen.end()) continue;
        seen.push_back(base);
        // A texture the installation lacks is left out: the page draws the
        // surface plain, as the host does.
        std::string bytes;
        const fs::path beside = obj_file.parent_path() / name;
        const fs::path shared = installation_ / "Textures" / base;
        std::error_code ec;
        const fs::path found = fs::is_regular_file(beside, ec) ? beside : shared;
        if (!fs::is_regular_file(found, ec) || !read_file(found, bytes, nullptr)) continue;
        if (!first) json += ',';
        first = false;
        append_json_string(json, base);
        json += ':';
        append_json_string(json, base64(bytes));
    }
    json += "}}";
    // Outside strings JSON holds no '<'; inside them \u003c reads back the same.
    std::string escaped;
    escaped.reserve(json.size() + json.size() / 64);
    for (const char c : json) {
        if (c == '<')
            escaped += "\\u003c";
        else
            escaped += c;
    }
    json = std::move(escaped);
    return true;
}

bool ReplayWriter::write(const fs::path& out, std::string* error) const {
    auto fail = [error](std::string why) {
        if (error != nullptr) *error = std::move(why);
        return false;
    };
    std::string page;
    if (!read_file(template_file_, page, error)) return false;
    const std::size_t at = page.find(kReplayDataPlaceholder);
    if (at == std::string::npos ||
        page.find(kReplayDataPlaceholder, at + kReplayDataPlaceholder.size()) != std::string::npos)
        return fail(template_file_.string() + ": is not a replay template (it must hold " +
                    std::string(kReplayDataPlaceholder) + " exactly once)");
    std::string data;
    if (!data_json(data, error)) return false;
    page.replace(at, kReplayDataPlaceholder.size(), data);

    fs::path temporary = out;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(page.data(), static_cast<std::streamsize>(page.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return fail(out.string() + ": cannot be written");
        }
    }
    std::error_code ec;
    fs::rename(temporary, out, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return fail(out.string() + ": cannot be written (" + ec.message() + ")");
    }
    return true;
}

}  // namespace standin
