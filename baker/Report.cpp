#include "baker/Report.h"

#include <stdlib.h>

#include <sstream>

namespace baker {

namespace {

// Tabs and line ends in a text field, escaped so that a record stays one line of tab-separated
// fields.
std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char code[8];
            snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Seconds(double s) {
    char text[32];
    snprintf(text, sizeof text, "%.3f", s);
    return text;
}

}  // namespace

std::string EncodeResult(const BakeResult& r) {
    std::string line = std::to_string(r.code) + "\t" + std::to_string(r.objects) + "\t" + std::to_string(r.shells) +
                       "\t" + std::to_string(r.trianglesIn) + "\t" + std::to_string(r.trianglesOut) + "\t" +
                       Seconds(r.seconds) + "\t" + Escape(r.error);
    for (const std::string& warning : r.warnings) line += "\t" + Escape(warning);
    return line + "\n";
}

bool DecodeResult(const std::string& line, BakeResult* r) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    if (!fields.empty() && !fields.back().empty() && fields.back().back() == '\n') fields.back().pop_back();
    if (fields.size() < 7) return false;
    r->code = atoi(fields[0].c_str());
    r->objects = atoi(fields[1].c_str());
    r->shells = atoi(fields[2].c_str());
    r->trianglesIn = atoll(fields[3].c_str());
    r->trianglesOut = atoll(fields[4].c_str());
    r->seconds = atof(fields[5].c_str());
    r->error = Unescape(fields[6]);
    r->warnings.clear();
    for (size_t i = 7; i < fields.size(); ++i) r->warnings.push_back(Unescape(fields[i]));
    return true;
}

std::string FailureText(const BakeResult& r) {
    return r.error.compare(0, r.input.size() + 1, r.input + ":") == 0 ? r.error : r.input + ": " + r.error;
}

std::string FileLine(const BakeResult& r) {
    if (r.code != 0) return "failed: " + FailureText(r);
    return r.input + " -> " + r.output + ": " + std::to_string(r.shells) + (r.shells == 1 ? " shell, " : " shells, ") +
           std::to_string(r.trianglesIn) + " -> " + std::to_string(r.trianglesOut) + " triangles, " +
           Seconds(r.seconds) + " s";
}

std::string ProgressLine(size_t done, size_t total, int64_t triangles, double seconds) {
    char text[160];
    const double rate = seconds > 0 ? triangles / seconds : 0.0;
    const double left = done > 0 ? seconds / done * (total - done) : 0.0;
    snprintf(text, sizeof text, "puffshell: %zu/%zu files, %.0f triangles/s, %.0f s left", done, total, rate, left);
    return text;
}

std::string ReportJson(const std::vector<BakeResult>& results, double seconds, int code) {
    std::ostringstream out;
    out << "{\n  \"exitCode\": " << code << ",\n  \"seconds\": " << Seconds(seconds) << ",\n  \"files\": [";
    for (size_t i = 0; i < results.size(); ++i) {
        const BakeResult& r = results[i];
        out << (i ? "," : "") << "\n    {\"input\": " << JsonString(r.input) << ", \"output\": " << JsonString(r.output)
            << ", \"code\": " << r.code << ", \"error\": " << JsonString(r.error) << ", \"objects\": " << r.objects
            << ", \"shells\": " << r.shells << ", \"trianglesIn\": " << r.trianglesIn
            << ", \"trianglesOut\": " << r.trianglesOut << ", \"seconds\": " << Seconds(r.seconds)
            << ", \"warnings\": [";
        for (size_t w = 0; w < r.warnings.size(); ++w) out << (w ? ", " : "") << JsonString(r.warnings[w]);
        out << "]}";
    }
    out << "\n  ]\n}\n";
    return out.str();
}

}  // namespace baker
