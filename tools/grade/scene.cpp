// Scene logs: a small JSON Lines reader for the runner's --scene output, and the first drawing call
// where a student's frame parts from the reference's, in words.
#include "scene.h"

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <streambuf>

namespace grade {
namespace {

// What a program can make its log hold is the student's: every bound below keeps a hostile log cheap.
const size_t MAX_LINE = 1 << 20;      // a longer line is skipped
const size_t MAX_BYTES = 256u << 20;  // the reading stops here
const size_t MAX_CALLS = 200000;      // calls kept for one frame
const int MAX_DEPTH = 8;              // a stretch is three deep
const size_t MAX_TEXT_SHOWN = 40;     // bytes of a text call quoted in a sentence
const double MAX_NUMBER = 1e15;       // coordinates are 32-bit; anything past this is not a call

// Reads a file descriptor through a buffer, for an istream.
class FdBuf : public std::streambuf {
   public:
    explicit FdBuf(int fd) : fd_(fd) {}

   protected:
    int_type underflow() override {
        ssize_t got;
        do got = read(fd_, buf_, sizeof buf_);
        while (got < 0 && errno == EINTR);
        if (got <= 0) return traits_type::eof();
        setg(buf_, buf_, buf_ + got);
        return traits_type::to_int_type(buf_[0]);
    }

   private:
    int fd_;
    char buf_[65536];
};

struct Value {
    enum Kind { null, boolean, number, string, array, object } kind = null;
    double num = 0;
    std::string str;
    std::vector<Value> items;                            // an array's
    std::vector<std::pair<std::string, Value>> members;  // an object's

    const Value *get(const char *key) const {
        for (const auto &m : members)
            if (m.first == key) return &m.second;
        return nullptr;
    }
};

// A strict JSON parser over one line; false on anything it does not take.
class Parser {
   public:
    explicit Parser(const std::string &s) : s_(s) {}
    bool document(Value *v) {
        if (!value(v, 0)) return false;
        space();
        return i_ == s_.size();
    }

   private:
    void space() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) i_++;
    }
    bool literal(const char *word) {
        size_t n = strlen(word);
        if (s_.compare(i_, n, word) != 0) return false;
        i_ += n;
        return true;
    }
    bool value(Value *v, int depth) {
        if (depth > MAX_DEPTH) return false;
        space();
        if (i_ >= s_.size()) return false;
        char c = s_[i_];
        if (c == '{') return object(v, depth);
        if (c == '[') return array(v, depth);
        if (c == '"') {
            v->kind = Value::string;
            return string(&v->str);
        }
        if (c == 't' || c == 'f') {
            v->kind = Value::boolean;
            v->num = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') return literal("null");
        return number(v);
    }
    bool object(Value *v, int depth) {
        v->kind = Value::object;
        i_++;
        space();
        if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
        for (;;) {
            space();
            std::string key;
            if (i_ >= s_.size() || s_[i_] != '"' || !string(&key)) return false;
            space();
            if (i_ >= s_.size() || s_[i_++] != ':') return false;
            v->members.emplace_back(key, Value());
            if (!value(&v->members.back().second, depth + 1)) return false;
            space();
            if (i_ >= s_.size()) return false;
            char c = s_[i_++];
            if (c == '}') return true;
            if (c != ',') return false;
        }
    }
    bool array(Value *v, int depth) {
        v->kind = Value::array;
        i_++;
        space();
        if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
        for (;;) {
            v->items.emplace_back();
            if (!value(&v->items.back(), depth + 1)) return false;
            space();
            if (i_ >= s_.size()) return false;
            char c = s_[i_++];
            if (c == ']') return true;
            if (c != ',') return false;
        }
    }
    static void put_utf8(unsigned cp, std::string *out) {
        if (cp < 0x80) {
            *out += (char)cp;
        } else if (cp < 0x800) {
            *out += (char)(0xC0 | (cp >> 6));
            *out += (char)(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *out += (char)(0xE0 | (cp >> 12));
            *out += (char)(0x80 | ((cp >> 6) & 0x3F));
            *out += (char)(0x80 | (cp & 0x3F));
        } else {
            *out += (char)(0xF0 | (cp >> 18));
            *out += (char)(0x80 | ((cp >> 12) & 0x3F));
            *out += (char)(0x80 | ((cp >> 6) & 0x3F));
            *out += (char)(0x80 | (cp & 0x3F));
        }
    }
    bool hex4(unsigned *cp) {
        if (i_ + 4 > s_.size()) return false;
        *cp = 0;
        for (int k = 0; k < 4; k++) {
            char h = s_[i_++];
            int d = h >= '0' && h <= '9'   ? h - '0'
                    : h >= 'a' && h <= 'f' ? h - 'a' + 10
                    : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                           : -1;
            if (d < 0) return false;
            *cp = *cp * 16 + (unsigned)d;
        }
        return true;
    }
    // Bytes that are not UTF-8 pass as they are: the pages replace them when they show them.
    bool string(std::string *out) {
        i_++;
        while (i_ < s_.size()) {
            char c = s_[i_++];
            if (c == '"') return true;
            if ((unsigned char)c < 0x20) return false;
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    *out += e;
                    break;
                case 'b':
                    *out += '\b';
                    break;
                case 'f':
                    *out += '\f';
                    break;
                case 'n':
                    *out += '\n';
                    break;
                case 'r':
                    *out += '\r';
                    break;
                case 't':
                    *out += '\t';
                    break;
                case 'u': {
                    unsigned cp = 0;
                    if (!hex4(&cp)) return false;
                    if (cp >= 0xD800 && cp < 0xDC00 && i_ + 6 <= s_.size() && s_[i_] == '\\' &&
                        s_[i_ + 1] == 'u') {
                        size_t at = i_;
                        i_ += 2;
                        unsigned lo = 0;
                        if (hex4(&lo) && lo >= 0xDC00 && lo < 0xE000)
                            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                        else
                            i_ = at;
                    }
                    if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;  // a lone surrogate
                    put_utf8(cp, out);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }
    bool number(Value *v) {
        size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-') i_++;
        size_t digits = i_;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') i_++;
        if (i_ == digits) return false;
        if (i_ < s_.size() && s_[i_] == '.') {
            size_t frac = ++i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') i_++;
            if (i_ == frac) return false;
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            i_++;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) i_++;
            size_t exp = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') i_++;
            if (i_ == exp) return false;
        }
        std::string token = s_.substr(start, std::min<size_t>(i_ - start, 64));
        v->kind = Value::number;
        v->num = strtod(token.c_str(), nullptr);
        return true;
    }

    const std::string &s_;
    size_t i_ = 0;
};

bool whole(const Value &v, long *out) {
    if (v.kind != Value::number || !std::isfinite(v.num) || fabs(v.num) > MAX_NUMBER) return false;
    *out = (long)v.num;
    return (double)*out == v.num;
}

// A call object of a stretch as a SceneCall; false when it is not one.
bool to_call(const Value &v, long frame, SceneCall *c) {
    if (v.kind != Value::object) return false;
    const Value *name = v.get("call");
    if (name == nullptr || name->kind != Value::string) return false;
    c->frame = frame;
    c->call = name->str;
    for (const auto &m : v.members) {
        if (m.first == "call") continue;
        if (m.first == "colour" && m.second.kind == Value::string) {
            c->colour = m.second.str;
        } else if (m.first == "text" && m.second.kind == Value::string) {
            c->text = m.second.str;
        } else {
            long n = 0;
            if (!whole(m.second, &n)) return false;
            c->n[m.first] = n;
        }
    }
    return true;
}

long num(const SceneCall &c, const char *key) {
    auto it = c.n.find(key);
    return it == c.n.end() ? 0 : it->second;
}

// True when every point the call is drawn from lies inside one ignored region (canvas (x, y) is
// client (297 + x, 247 - y)).
bool ignored(const SceneCall &c, const std::vector<Region> &ignore) {
    std::vector<std::pair<long, long>> pts;
    if (c.call == "circle") {
        long x = num(c, "x"), y = num(c, "y"), r = num(c, "radius");
        pts = {{x - r, y - r}, {x + r, y + r}};
    } else if (c.call == "text") {
        pts = {{num(c, "x"), num(c, "y")}};
    } else {
        for (const char *k : {"1", "2", "3"}) {
            std::string xk = std::string("x") + k, yk = std::string("y") + k;
            if (c.n.count(xk) && c.n.count(yk)) pts.push_back({c.n.at(xk), c.n.at(yk)});
        }
    }
    if (pts.empty()) return false;
    for (const Region &g : ignore) {
        bool inside = true;
        for (auto &p : pts) {
            long cx = 297 + p.first, cy = 247 - p.second;
            inside = inside && cx >= g.left && cx <= g.right && cy >= g.top && cy <= g.bottom;
        }
        if (inside) return true;
    }
    return false;
}

std::string point(long x, long y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; }

std::string quoted_text(const std::string &t) {
    if (t.size() <= MAX_TEXT_SHOWN) return "\"" + t + "\"";
    size_t cut = MAX_TEXT_SHOWN;
    while (cut > 0 && ((unsigned char)t[cut] >> 6) == 2) cut--;  // not inside a UTF-8 character
    return "\"" + t.substr(0, cut) + "...\"";
}

std::string article(const std::string &word) {
    return !word.empty() && std::string("aeiouAEIOU").find(word[0]) != std::string::npos ? "an " : "a ";
}

bool filled(const SceneCall &c) { return num(c, "width") == 0; }

// The shape with its colour, without where it is: "a red circle", "a filled blue rectangle".
std::string noun(const SceneCall &c) {
    const std::string &k = c.call;
    if (k == "rectangle" || k == "triangle")
        return filled(c) ? "a filled " + c.colour + " " + k
                         : article(c.colour) + c.colour + " " + k + " outline";
    return article(c.colour) + c.colour + " " + k;
}

// Where and how large, as the parts a sentence names one by one.
std::vector<std::string> geometry(const SceneCall &c) {
    const std::string &k = c.call;
    if (k == "circle")
        return {"at " + point(num(c, "x"), num(c, "y")), "radius " + std::to_string(num(c, "radius"))};
    if (k == "rectangle" || k == "line")
        return {"from " + point(num(c, "x1"), num(c, "y1")) + " to " + point(num(c, "x2"), num(c, "y2")),
                k == "rectangle" && filled(c) ? "" : "width " + std::to_string(num(c, "width"))};
    if (k == "triangle")
        return {"at " + point(num(c, "x1"), num(c, "y1")) + ", " + point(num(c, "x2"), num(c, "y2")) + ", " +
                    point(num(c, "x3"), num(c, "y3")),
                filled(c) ? "" : "width " + std::to_string(num(c, "width"))};
    if (k == "text")
        return {"at " + point(num(c, "x"), num(c, "y")), "size " + std::to_string(num(c, "ptsize"))};
    return {};
}

std::string join(const std::vector<std::string> &parts, const char *sep) {
    std::string out;
    for (const std::string &p : parts)
        if (!p.empty()) out += (out.empty() ? "" : sep) + p;
    return out;
}

bool known(const std::string &k) {
    return k == "circle" || k == "rectangle" || k == "triangle" || k == "line" || k == "text";
}

// How `yours` differs from `ref`, a call of the same kind: "at (3, 0)", "draws a blue circle there".
std::string yours_against(const SceneCall &ref, const SceneCall &yours) {
    std::vector<std::string> g = geometry(ref), y = geometry(yours);
    bool same_shape = ref.call != "rectangle" && ref.call != "triangle" ? true : filled(ref) == filled(yours);
    bool same_place = g == y && ref.text == yours.text;
    if (ref.colour != yours.colour || !same_shape) {
        if (yours.call == "text")
            return same_place ? "yours writes it in " + yours.colour : describe_call(yours);
        return same_place ? "draws " + noun(yours) + " there" : describe_call(yours);
    }
    std::vector<std::string> parts;
    if (yours.call == "text" && ref.text != yours.text)
        parts.push_back("with the text " + quoted_text(yours.text));
    for (size_t i = 0; i < y.size(); i++) {
        if (y[i].empty() || (i < g.size() && g[i] == y[i])) continue;
        // "at ..." and "from ..." read after "yours"; a size reads with "with".
        bool where = y[i].compare(0, 3, "at ") == 0 || y[i].compare(0, 5, "from ") == 0;
        parts.push_back(where ? y[i] : "with " + y[i]);
    }
    // Alike in every value the words show: name the whole call.
    return parts.empty() ? describe_call(yours) : join(parts, " ");
}

}  // namespace

bool operator==(const SceneCall &a, const SceneCall &b) {
    return a.call == b.call && a.colour == b.colour && a.text == b.text && a.n == b.n;
}

std::string scene_calls(std::istream &in, long frame, const std::vector<Region> &ignore,
                        std::vector<SceneCall> *out) {
    out->clear();
    std::string line;
    size_t total = 0;
    bool too_long = false;
    std::streambuf *buf = in.rdbuf();
    if (buf == nullptr) return "no scene log";
    for (;;) {
        int ch = buf->sbumpc();
        if (ch != std::char_traits<char>::eof() && ch != '\n') {
            if (++total > MAX_BYTES)
                return "the scene log is longer than " + std::to_string(MAX_BYTES >> 20) + " MB";
            if (line.size() < MAX_LINE)
                line += (char)ch;
            else
                too_long = true;
            continue;
        }
        bool last = ch == std::char_traits<char>::eof();
        if (!too_long && !line.empty()) {
            Value v;
            const Value *f = nullptr, *calls = nullptr;
            long at = 0;
            if (Parser(line).document(&v) && v.kind == Value::object && (f = v.get("frame")) != nullptr &&
                whole(*f, &at) && (calls = v.get("calls")) != nullptr && calls->kind == Value::array) {
                if (at > frame) break;  // stretches come in order: the frame is complete
                for (const Value &cv : calls->items) {
                    SceneCall c;
                    if (!to_call(cv, at, &c) || ignored(c, ignore)) continue;
                    if (c.call == "erase") out->clear();
                    if (out->size() >= MAX_CALLS) {
                        out->clear();
                        return "frame " + std::to_string(frame) + " has more than " +
                               std::to_string(MAX_CALLS) + " drawing calls";
                    }
                    out->push_back(c);
                }
            }
        }
        line.clear();
        too_long = false;
        if (last) break;
    }
    return "";
}

std::string scene_calls_file(const std::string &path, long frame, const std::vector<Region> &ignore,
                             std::vector<SceneCall> *out) {
    out->clear();
    // The log lies in a folder the student's program wrote: a link or a pipe there is not followed.
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "no scene log";
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return "the scene log is not a file";
    }
    FdBuf buf(fd);
    std::istream in(&buf);
    std::string why = scene_calls(in, frame, ignore, out);
    close(fd);
    return why;
}

std::string describe_call(const SceneCall &c) {
    if (c.call == "erase") return "erases the window";
    if (c.call == "text")
        return "draws the text " + quoted_text(c.text) + " in " + c.colour + " " + join(geometry(c), ", ");
    if (!known(c.call)) return "makes a drawing call named " + quoted_text(c.call);
    return "draws " + noun(c) + " " + join(geometry(c), ", ");
}

std::string first_difference(const std::vector<SceneCall> &reference, const std::vector<SceneCall> &yours) {
    size_t i = 0;
    while (i < reference.size() && i < yours.size() && reference[i] == yours[i]) i++;
    if (i == reference.size() && i == yours.size()) return "";
    if (i == reference.size())
        return "frame " + std::to_string(yours[i].frame) + ": the reference draws nothing more; yours " +
               describe_call(yours[i]);
    const SceneCall &r = reference[i];
    std::string head = "frame " + std::to_string(r.frame) + ": the reference " + describe_call(r) + "; ";
    if (i == yours.size()) return head + "yours draws nothing more";
    const SceneCall &y = yours[i];
    if (y.call != r.call || !known(r.call)) return head + "yours " + describe_call(y);
    std::string rest = yours_against(r, y);
    return head + (rest.compare(0, 6, "yours ") == 0 ? rest : "yours " + rest);
}

}  // namespace grade
