#pragma once
// Helpers for the command-line tests: synthetic WAV files with a known
// period, running the built tool, and a small JSON reader that is strict
// enough to reject malformed output.

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace clitest {

// ---- WAV files ---------------------------------------------------------------

inline void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
inline void putTag(std::vector<uint8_t>& b, const char* t) { b.insert(b.end(), t, t + 4); }

struct Tone {
    double periodSamples = 100.0; // of the fundamental
    int32_t frames = 44100;
    int channels = 1;
    int32_t rate = 44100;
    int harmonics = 5;            // amplitudes 1/h
    bool withLoop = false;        // a sampler chunk after the data
    uint32_t loopType = 0;
    uint32_t loopFirst = 0;       // first sample of the loop, as stored
    uint32_t loopLast = 0;        // last sample, inclusive
};

// A harmonic tone, 16 bits, channels interleaved; the right channel is the
// left one a quarter period later, so the two are not identical.
inline std::vector<uint8_t> toneWav(const Tone& t)
{
    std::vector<uint8_t> data;
    for (int32_t i = 0; i < t.frames; ++i)
        for (int c = 0; c < t.channels; ++c) {
            const double x = i + c * t.periodSamples / 4;
            double v = 0.0;
            for (int h = 1; h <= t.harmonics; ++h)
                v += std::sin(2.0 * M_PI * h * x / t.periodSamples) / h;
            put16(data, uint32_t(int16_t(std::lround(9000.0 * v))));
        }
    std::vector<uint8_t> b;
    const uint32_t smpl = t.withLoop ? 68 : 0;
    putTag(b, "RIFF");
    put32(b, uint32_t(36 + data.size() + smpl));
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, uint32_t(t.channels));
    put32(b, uint32_t(t.rate));
    put32(b, uint32_t(t.rate * t.channels * 2));
    put16(b, uint32_t(t.channels * 2));
    put16(b, 16);
    putTag(b, "data");
    put32(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (t.withLoop) {
        putTag(b, "smpl");
        put32(b, 60);
        for (uint32_t v : {0u, 0u, uint32_t(1e9 / t.rate + 0.5), 60u, 0u, 0u, 0u, 1u, 0u, 0u, t.loopType, t.loopFirst,
                           t.loopLast, 0u, 0u})
            put32(b, v);
    }
    return b;
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline uint32_t get32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// The unity note of the sampler chunk that follows a canonical 44-byte
// header and its data (and pad byte); -1 when there is none.
inline int unityNoteOf(const std::vector<uint8_t>& file)
{
    if (file.size() < 44)
        return -1;
    const size_t data = get32(file, 40);
    const size_t at = 44 + data + (data & 1);
    if (at + 68 > file.size() || std::string(file.begin() + long(at), file.begin() + long(at) + 4) != "smpl")
        return -1;
    return int(get32(file, at + 20));
}

// ---- running the tool -------------------------------------------------------

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Single-quotes a word for /bin/sh.
inline std::string shellQuote(const std::string& word)
{
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline CliRun runCli(const std::string& args, const std::string& errPath)
{
    CliRun r;
    const std::string command = std::string(RINGTIDE_CLI) + " " + args + " 2>" + shellQuote(errPath);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const std::vector<uint8_t> err = readBytes(errPath);
    r.err.assign(err.begin(), err.end());
    return r;
}

inline std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// ---- JSON -------------------------------------------------------------------

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool flag = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;
    std::vector<std::string> order; // keys in the order written

    bool has(const std::string& k) const { return fields.count(k) != 0; }
    const Json& operator[](const std::string& k) const
    {
        const auto it = fields.find(k);
        if (it == fields.end())
            throw std::runtime_error("no key " + k);
        return it->second;
    }
    const Json& operator[](size_t i) const { return items.at(i); }
    long long integer() const { return static_cast<long long>(number); }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : s_(s) {}

    // Throws on anything that is not exactly one JSON value.
    Json parseDocument()
    {
        Json v = parseValue();
        skip();
        if (i_ != s_.size())
            fail("trailing text");
        return v;
    }

private:
    [[noreturn]] void fail(const std::string& why) const
    {
        throw std::runtime_error("bad JSON (" + why + ") at " + std::to_string(i_) + ": " + s_);
    }
    void skip()
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool eat(const char* word)
    {
        const std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0)
            return false;
        i_ += w.size();
        return true;
    }
    static void putUtf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    std::string parseString()
    {
        if (!eat("\""))
            fail("string expected");
        std::string out;
        while (true) {
            if (i_ >= s_.size())
                fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"')
                return out;
            if (c < 0x20)
                fail("raw control character in string");
            if (c != '\\') {
                out += char(c);
                continue;
            }
            if (i_ >= s_.size())
                fail("bad escape");
            const char e = s_[i_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                if (i_ + 4 > s_.size())
                    fail("bad \\u");
                putUtf8(out, unsigned(std::stoul(s_.substr(i_, 4), nullptr, 16)));
                i_ += 4;
                break;
            }
            default: fail("bad escape");
            }
        }
    }
    Json parseValue()
    {
        skip();
        Json v;
        if (i_ >= s_.size())
            fail("value expected");
        const char c = s_[i_];
        if (c == '{') {
            ++i_;
            v.kind = Json::Object;
            skip();
            if (eat("}"))
                return v;
            do {
                skip();
                const std::string k = parseString();
                skip();
                if (!eat(":"))
                    fail("':' expected");
                if (v.fields.count(k))
                    fail("duplicate key " + k);
                v.fields[k] = parseValue();
                v.order.push_back(k);
                skip();
            } while (eat(","));
            if (!eat("}"))
                fail("'}' expected");
        } else if (c == '[') {
            ++i_;
            v.kind = Json::Array;
            skip();
            if (eat("]"))
                return v;
            do
                v.items.push_back(parseValue());
            while ((skip(), eat(",")));
            if (!eat("]"))
                fail("']' expected");
        } else if (c == '"') {
            v.kind = Json::String;
            v.text = parseString();
        } else if (eat("null")) {
        } else if (eat("true")) {
            v.kind = Json::Bool;
            v.flag = true;
        } else if (eat("false")) {
            v.kind = Json::Bool;
        } else {
            // JSON's number grammar: -?(0|[1-9]\d*)(\.\d+)?([eE][+-]?\d+)?
            const size_t start = i_;
            auto digits = [&] {
                const size_t d = i_;
                while (i_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[i_])))
                    ++i_;
                return i_ > d;
            };
            eat("-");
            if (!eat("0") && !digits())
                fail("number expected");
            if (eat(".") && !digits())
                fail("digits after '.'");
            if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
                ++i_;
                if (!eat("+"))
                    eat("-");
                if (!digits())
                    fail("exponent digits");
            }
            v.kind = Json::Number;
            v.number = std::strtod(s_.substr(start, i_ - start).c_str(), nullptr);
        }
        return v;
    }

    const std::string& s_;
    size_t i_ = 0;
};

inline Json parseJson(const std::string& line)
{
    return JsonReader(line).parseDocument();
}

} // namespace clitest
