#include "RegGenerator.h"

#include <cstdio>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/Platform.h"

namespace {

// splitmix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
    bool Chance(unsigned percent) { return Below(100) < percent; }

private:
    uint64_t state;
};

const char* const kRoots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_USERS"};
const char* const kWords[] = {"Software", "Microsoft", "Windows", "CurrentVersion", "Explorer", "Policies",
                              "Classes", "CLSID", "Settings", "Control Panel", "Services", "Parameters",
                              "Shell", "Open", "Command", "Fonts", "Drivers", "Network", "Profiles", "Cache"};
const char* const kAccented[] = {"Caf\xE9", "M\xFCnchen", "Se\xF1or", "\x80uro", "\xC5ngstr\xF6m"};
constexpr char kHex[] = "0123456789abcdef";

class Generator {
public:
    Generator(ByteSink& sink, const GeneratorOptions& opts) : out(sink), options(opts), random(opts.seed) {}

    bool Run(GeneratorStats* stats) {
        text = options.dialect == kRegedit4 ? "REGEDIT4\r\n\r\n" : "Windows Registry Editor Version 5.00\r\n\r\n";
        if (options.unicode) {
            static const unsigned char kMark[2] = {0xFF, 0xFE};
            if (!out.Write(kMark, 2)) return false;
        }
        // A depth-first walk of a tree with unique paths, as the system
        // editor exports one: each level counts its children, and names made
        // of common words carry that count.
        std::vector<std::string> path;
        std::vector<size_t> siblings(1, 0);
        bool wideDone = options.wideKeyChildren == 0;
        while (options.targetKeys ? keys < options.targetKeys : generated + text.size() < options.targetBytes) {
            if (!wideDone && (options.targetKeys ? keys * 2 >= options.targetKeys
                                                 : (generated + text.size()) * 2 >= options.targetBytes)) {
                wideDone = true;
                if (!WideKey()) return false;
                path.clear();
                siblings.assign(1, 0);
                continue;
            }
            size_t depth = path.size();
            if (depth == 0) {
                path.push_back(kRoots[options.hiveChildren ? hive++ % 4 : random.Below(4)]);
                siblings.assign(2, 0);
            } else if (depth < 3 || (depth < 9 && random.Chance(45))) {
                if (depth == 1) branchStart = keys;
                path.push_back(Name(siblings[depth]++));
                siblings.resize(depth + 2, 0);
                siblings[depth + 1] = 0;
            } else {
                size_t up = BranchFull() ? depth : 1 + random.Below(depth > 4 ? 3 : 1);
                while (up-- && path.size() > 1) path.pop_back();
                // Now and then the walk leaves a hive for the next one.
                if (path.size() == 1 && (options.hiveChildren ? siblings[1] >= options.hiveChildren : random.Chance(2))) {
                    path.clear();
                    siblings.assign(1, 0);
                    continue;
                }
                if (path.size() == 1) branchStart = keys;
                depth = path.size();
                siblings.resize(depth + 1);
                path.push_back(Name(siblings[depth]++));
                siblings.resize(depth + 2, 0);
                siblings[depth + 1] = 0;
            }
            KeyLine(path);
            Values();
            text += "\r\n";
            ++keys;
            if (text.size() > (1 << 16) && !Flush()) return false;
        }
        if (!Flush()) return false;
        if (stats) *stats = {keys, values, generated};
        return true;
    }

private:
    // In the shape of a whole export, a child of a hive takes its share of
    // the keys before the walk may come back up to the hive.
    bool BranchFull() const {
        if (!options.hiveChildren) return false;
        size_t total = options.targetKeys ? options.targetKeys : options.targetBytes / 320;
        return keys - branchStart >= total / (4 * options.hiveChildren);
    }

    // The wide key and its children, one value each; they count as keys.
    bool WideKey() {
        text += '[';
        text += kWideKeyPath;
        text += "]\r\n\r\n";
        ++keys;
        for (size_t i = 0; i < options.wideKeyChildren; ++i) {
            text += '[';
            text += kWideKeyPath;
            text += "\\." + std::to_string(i) + "]\r\n";
            text += "@=\"class" + std::to_string(i) + "\"\r\n\r\n";
            ++keys;
            ++values;
            if (text.size() > (1 << 16) && !Flush()) return false;
        }
        return true;
    }

    // A key name unique among its siblings (index is the sibling number).
    std::string Name(size_t index) {
        size_t kind = random.Below(10);
        if (kind < 2) return Guid();
        std::string name = Name();
        return name + " " + std::to_string(index);
    }

    std::string Name() {
        size_t kind = random.Below(10);
        if (kind < 5) return std::string(kWords[random.Below(20)]) + (random.Chance(30) ? std::to_string(random.Below(100)) : "");
        if (kind < 7) return Guid();
        if (kind < 8 && options.nonAscii) return kAccented[random.Below(5)];
        std::string s;
        size_t n = 3 + random.Below(30);
        for (size_t i = 0; i < n; ++i) s += static_cast<char>(random.Chance(10) ? ' ' : 'a' + random.Below(26));
        return s;
    }

    std::string Guid() {
        std::string g = "{";
        for (int i = 0; i < 32; ++i) {
            if (i == 8 || i == 12 || i == 16 || i == 20) g += '-';
            g += "0123456789ABCDEF"[random.Below(16)];
        }
        return g + "}";
    }

    void KeyLine(const std::vector<std::string>& path) {
        text += '[';
        for (size_t i = 0; i < path.size(); ++i) {
            if (i) text += '\\';
            text += path[i];
        }
        text += "]\r\n";
    }

    void Values() {
        size_t count = random.Below(10) < 3 ? 0 : 1 + random.Below(6);
        for (size_t i = 0; i < count; ++i) {
            size_t nameStart = text.size();
            if (i == 0 && random.Chance(20)) {
                text += "@=";
            } else {
                text += '"';
                text += Name();
                if (random.Chance(10)) text += "\\\\x\\\"q\\\"";
                text += std::to_string(i);
                text += "\"=";
            }
            size_t kind = random.Below(100);
            if (kind < 40) {
                text += '"';
                text += random.Chance(50) ? "C:\\\\Program Files\\\\" : "";
                text += Name();
                if (random.Chance(15)) text += " \\\"quoted\\\"";
                text += "\"\r\n";
            } else if (kind < 70) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "%08llx", static_cast<unsigned long long>(random.Next() & 0xFFFFFFFFu));
                text += "dword:";
                text += digits;
                text += "\r\n";
            } else if (kind < 85) {
                Hex("hex", 1 + (random.Chance(20) ? random.Below(400) : random.Below(24)), nameStart);
            } else if (kind < 93) {
                Chars("hex(2)", false, nameStart);
            } else {
                Chars("hex(7)", true, nameStart);
            }
            ++values;
        }
    }

    // Bytes in the layout of the system editor: lines of at most 80
    // characters, continued with a backslash and two spaces of indentation.
    void HexBytes(const std::string& bytes, size_t nameStart) {
        size_t column = text.size() - nameStart;
        for (size_t i = 0; i < bytes.size(); ++i) {
            unsigned char b = static_cast<unsigned char>(bytes[i]);
            text += kHex[b >> 4];
            text += kHex[b & 15];
            column += 2;
            if (i + 1 < bytes.size()) {
                text += ',';
                ++column;
                if (column > 76) {
                    text += "\\\r\n  ";
                    column = 2;
                }
            }
        }
        text += "\r\n";
    }

    void Hex(const char* token, size_t n, size_t nameStart) {
        text += token;
        text += ':';
        std::string bytes;
        for (size_t i = 0; i < n; ++i) bytes += static_cast<char>(random.Below(256));
        HexBytes(bytes, nameStart);
    }

    void Chars(const char* token, bool multi, size_t nameStart) {
        std::string chars = "%SystemRoot%\\" + Name();
        if (multi) {
            chars += '\0';
            chars += Name();
            chars += '\0';
        }
        chars += '\0';
        std::string bytes;
        if (options.dialect == kRegedit5) {
            std::u16string wide = LegacyToWideString(chars);
            for (char16_t c : wide) {
                bytes += static_cast<char>(c & 0xFF);
                bytes += static_cast<char>(c >> 8);
            }
        } else {
            bytes = chars;
        }
        text += token;
        text += ':';
        HexBytes(bytes, nameStart);
    }

    bool Flush() {
        generated += text.size();
        bool ok;
        if (options.unicode) {
            std::u16string wide = LegacyToWideString(text);
            ok = out.Write(wide.data(), wide.size() * 2);
        } else {
            ok = out.Write(text.data(), text.size());
        }
        text.clear();
        return ok;
    }

    ByteSink& out;
    const GeneratorOptions& options;
    Random random;
    std::string text;
    size_t generated = 0;
    size_t keys = 0;
    size_t values = 0;
    size_t hive = 0;
    size_t branchStart = 0;
};

}  // namespace

bool GenerateRegFile(ByteSink& out, const GeneratorOptions& options, GeneratorStats* stats) {
    Generator generator(out, options);
    return generator.Run(stats);
}
