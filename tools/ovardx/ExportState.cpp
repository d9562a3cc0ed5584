#include "tools/ovardx/ExportState.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ovardx::tool {

namespace {

constexpr std::string_view kFormatLine = "ovardx-export-state=1";
constexpr std::string_view kTimeStampKey = "time-stamp";
constexpr std::string_view kNextPageKey = "next-page";
constexpr std::string_view kFinishedKey = "finished";

std::string Escaped(std::string_view value) {
    std::string text;
    for (const char c : value) {
        switch (c) {
            case '\\': text += "\\\\"; break;
            case '\n': text += "\\n"; break;
            case '\r': text += "\\r"; break;
            default: text += c;
        }
    }
    return text;
}

std::string Unescaped(std::string_view text, int line) {
    std::string value;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            value += text[at];
            continue;
        }
        const char next = ++at < text.size() ? text[at] : '\0';
        if (next == '\\') value += '\\';
        else if (next == 'n') value += '\n';
        else if (next == 'r') value += '\r';
        else throw std::runtime_error("line " + std::to_string(line) + " holds an unknown escape");
    }
    return value;
}

std::string Quoted(const std::string* value) { return value == nullptr ? "not given" : "\"" + Escaped(*value) + "\""; }

const std::string* Find(const ExportIdentity& identity, const std::string& name) {
    for (const auto& [key, value] : identity)
        if (key == name) return &value;
    return nullptr;
}

}  // namespace

std::string StateText(const ExportState& state) {
    std::string text = std::string(kFormatLine) + "\n";
    for (const auto& [name, value] : state.identity) text += name + "=" + Escaped(value) + "\n";
    text += std::string(kTimeStampKey) + "=" + Escaped(state.timeStamp) + "\n";
    text += std::string(kNextPageKey) + "=" + std::to_string(state.nextPage) + "\n";
    text += std::string(kFinishedKey) + "=" + (state.finished ? "1" : "0") + "\n";
    return text;
}

ExportState ParseState(std::string_view text) {
    ExportState state;
    bool formatSeen = false, timeStampSeen = false, nextPageSeen = false, finishedSeen = false;
    int line = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view content = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++line;
        if (!formatSeen) {
            if (content != kFormatLine) throw std::runtime_error("it does not begin with " + std::string(kFormatLine));
            formatSeen = true;
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos || equals == 0)
            throw std::runtime_error("line " + std::to_string(line) + " is no name=value");
        const std::string name(content.substr(0, equals));
        std::string value = Unescaped(content.substr(equals + 1), line);
        if (name == kTimeStampKey) {
            state.timeStamp = std::move(value);
            timeStampSeen = true;
        } else if (name == kNextPageKey) {
            const auto [rest, failure] = std::from_chars(value.data(), value.data() + value.size(), state.nextPage);
            if (failure != std::errc() || rest != value.data() + value.size() || state.nextPage < 1)
                throw std::runtime_error("its next-page is no page number");
            nextPageSeen = true;
        } else if (name == kFinishedKey) {
            if (value != "0" && value != "1") throw std::runtime_error("its finished is neither 0 nor 1");
            state.finished = value == "1";
            finishedSeen = true;
        } else {
            state.identity.emplace_back(name, std::move(value));
        }
    }
    if (!formatSeen || !timeStampSeen || !nextPageSeen || !finishedSeen)
        throw std::runtime_error("it is incomplete (no format line, time-stamp, next-page or finished)");
    return state;
}

std::optional<ExportState> ReadStateFile(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error) && !error) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) throw std::runtime_error("it cannot be read");
    return ParseState(text);
}

std::string IdentityDifference(const ExportIdentity& stored, const ExportIdentity& wanted) {
    std::string difference;
    const auto add = [&](const std::string& name, const std::string* was, const std::string* is) {
        if (!difference.empty()) difference += "; ";
        difference += "its " + name + " is " + Quoted(was) + ", this run's " + Quoted(is);
    };
    for (const auto& [name, value] : wanted)
        if (const std::string* was = Find(stored, name); was == nullptr || *was != value) add(name, was, &value);
    for (const auto& [name, value] : stored)
        if (Find(wanted, name) == nullptr) add(name, &value, nullptr);
    return difference;
}

}  // namespace ovardx::tool
