#include "cli/InfoReport.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include <nlohmann/json.hpp>

#include "tessal/TextCoding.h"

namespace korvel {

namespace {

// The UTF-16 units of a stored value: UTF-8 (surrogates each in three bytes
// as the files hold them) for code type 0x23, bytes as Latin-1 otherwise.
std::u16string units(const std::string& value, int codeType)
{
    std::u16string out;
    const auto* b = reinterpret_cast<const unsigned char*>(value.data());
    const std::size_t n = value.size();
    for (std::size_t i = 0; i < n;) {
        if (codeType == 0x23 && b[i] >= 0xE0 && b[i] < 0xF0 && i + 2 < n) {
            out += static_cast<char16_t>(((b[i] & 0x0F) << 12) | ((b[i + 1] & 0x3F) << 6) | (b[i + 2] & 0x3F));
            i += 3;
        } else if (codeType == 0x23 && b[i] >= 0xC0 && b[i] < 0xE0 && i + 1 < n) {
            out += static_cast<char16_t>(((b[i] & 0x1F) << 6) | (b[i + 1] & 0x3F));
            i += 2;
        } else if (codeType == 0x23 && b[i] >= 0xF0 && i + 3 < n) {
            const unsigned c = ((b[i] & 0x07u) << 18) | ((b[i + 1] & 0x3Fu) << 12) | ((b[i + 2] & 0x3Fu) << 6) | (b[i + 3] & 0x3Fu);
            out += static_cast<char16_t>(0xD800 | ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 | ((c - 0x10000) & 0x3FF));
            i += 4;
        } else {
            out += static_cast<char16_t>(b[i++]);
        }
    }
    return out;
}

// The units as UTF-8 for a terminal, surrogate pairs joined.
std::string utf8(const std::u16string& u)
{
    std::string out;
    for (std::size_t i = 0; i < u.size(); ++i) {
        unsigned c = u[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (u[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A name as UTF-8: as the system spells it in the program's coding, or
// its bytes as they are where that coding cannot read it (the JSON writer
// then puts U+FFFD for what is not UTF-8).
std::string nameText(const std::string& name)
{
    std::u16string units;
    return textToUtf16(name.c_str(), nativeTextCoding(), units) ? utf8(units) : name;
}

// A stored text for a terminal: each control character (C0, DEL and the
// C1 range U+0080..U+009F, which a terminal acts on) as \xHH of its code,
// as ls shows such names.
std::string escapeControls(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned code = static_cast<unsigned char>(text[i]);
        const bool c1 = code == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if (c1)
            code = static_cast<unsigned char>(text[++i]);
        if (code < 0x20 || code == 0x7F || c1) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
            out += escaped;
        } else {
            out += static_cast<char>(code);
        }
    }
    return out;
}

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

double seconds(const TessalFile& f)
{
    return f.ticks < 0 ? 0.0 : f.ticks * 0.004;
}

}  // namespace

std::string infoText(const std::string& name, const TessalFile& f)
{
    std::string out = name + ": " + std::to_string(f.length) + " bytes, " + (f.sound() ? "sound" : "damaged") + "\n";
    for (const TessalChunk& c : f.chunks)
        out += std::string(2 + 2 * static_cast<std::size_t>(c.depth), ' ') + c.id + "  offset " + std::to_string(c.offset) +
               "  size " + std::to_string(c.size) + "\n";
    if (f.variant >= 0)
        out += "  kind: " + std::string(f.variant == 0 ? "audio track" : f.variant == 1 ? "music track" : "music track (pro)") +
               "\n";
    if (f.copyStatus >= 0)
        out += std::string("  copy status: save ") + (f.saveAllowed() ? "allowed" : "not allowed") + ", transfer " +
               (f.transferAllowed() ? "allowed" : "not allowed") + "\n";
    for (const auto& [tag, value] : f.tags)
        out += "  " + tag + ": " + escapeControls(utf8(units(value, f.codeType))) + "\n";
    if (f.hasAudio())
        out += "  audio: " + std::to_string(f.sampleRate) + " Hz, " + (f.channels == 2 ? "stereo" : "mono") + ", " +
               std::to_string(f.ticks) + " ticks (" + format("%.3f", seconds(f)) + " s), ADPCM " +
               std::to_string(f.adpcmLength) + " bytes\n";
    if (f.sound())
        out += "  checks: size, CRC, A0 and A2 all correct\n";
    for (const TessalFault& fault : f.faults)
        out += "  fault at offset " + std::to_string(fault.offset) + ": " + fault.text + "\n";
    return out;
}

std::string infoJson(const std::string& name, const TessalFile& f)
{
    using Json = nlohmann::ordered_json;
    Json out = {{"file", nameText(name)}, {"length", f.length}, {"sound", f.sound()}, {"variant", f.variant}};
    Json chunks = Json::array();
    for (const TessalChunk& c : f.chunks)
        chunks.push_back({{"id", c.id}, {"offset", c.offset}, {"size", c.size}, {"depth", c.depth}});
    out["chunks"] = std::move(chunks);
    Json tags = Json::object();
    for (const auto& [tag, value] : f.tags)
        tags[tag] = utf8(units(value, f.codeType));
    out["tags"] = std::move(tags);
    if (f.copyStatus >= 0) {
        out["saveAllowed"] = f.saveAllowed();
        out["transferAllowed"] = f.transferAllowed();
    }
    out["rate"] = f.sampleRate;
    out["channels"] = f.channels;
    out["ticks"] = f.ticks;
    // Whole milliseconds, as the text report gives them.
    out["seconds"] = std::round(seconds(f) * 1000) / 1000;
    out["adpcmBytes"] = f.adpcmLength;
    Json faults = Json::array();
    for (const TessalFault& fault : f.faults)
        faults.push_back({{"offset", fault.offset}, {"kind", faultKindName(fault.kind)}, {"text", fault.text}});
    out["faults"] = std::move(faults);
    // Bytes that are not UTF-8 (a name or a stored value) become U+FFFD
    // instead of failing the whole report.
    return out.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace korvel
