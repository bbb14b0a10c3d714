#include "script.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "utf.h"

namespace vp {

namespace {
bool parseInt(const std::string &s, int lo, int hi, int &out) {
    if (s.empty() || s.size() > 9) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    for (; i < s.size(); i++)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    out = std::atoi(s.c_str());
    return out >= lo && out <= hi;
}

std::vector<std::string> words(const std::string &s) {
    std::istringstream in(s);
    std::vector<std::string> w;
    for (std::string x; in >> x;) w.push_back(x);
    return w;
}

bool point(const std::vector<std::string> &w, size_t at, Point &p) {
    return w.size() == at + 2 && parseInt(w[at], 0, kScreenWidth - 1, p.x) && parseInt(w[at + 1], 0, kScreenHeight - 1, p.y);
}

Event make(Event::Type t, int line) {
    Event e;
    e.type = t;
    e.line = line;
    return e;
}

// A name for an output file: no folders, nothing hidden.
bool goodName(const std::string &s) {
    return !s.empty() && s[0] != '.' && s.find('/') == std::string::npos && s.find('\\') == std::string::npos;
}
}  // namespace

bool parseKeyName(const std::string &name, Event &e) {
    static const struct {
        const char *name;
        Key key;
    } kKeys[] = {{"enter", Key::Enter},       {"return", Key::Enter},   {"escape", Key::Escape},
                 {"esc", Key::Escape},        {"up", Key::Up},          {"down", Key::Down},
                 {"left", Key::Left},         {"right", Key::Right},    {"pageup", Key::PageUp},
                 {"pagedown", Key::PageDown}, {"home", Key::Home},      {"end", Key::End},
                 {"backspace", Key::Backspace}, {"delete", Key::Delete}, {"tab", Key::Tab}};
    e.type = Event::Type::KeyPress;
    e.mods = 0;
    std::string rest = name;
    for (;;) {
        size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 == rest.size()) break;
        std::string mod = rest.substr(0, plus);
        for (char &c : mod) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (mod == "ctrl" || mod == "control") e.mods |= kCtrl;
        else if (mod == "shift") e.mods |= kShift;
        else if (mod == "alt") e.mods |= kAlt;
        else return false;
        rest = rest.substr(plus + 1);
    }
    std::string lower = rest;
    for (char &c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const auto &k : kKeys)
        if (lower == k.name) {
            e.key = k.key;
            return true;
        }
    if (rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]))) {
        e.key = Key::Char;
        e.ch = char32_t(std::tolower(static_cast<unsigned char>(rest[0])));
        return true;
    }
    return false;
}

bool parseScript(const std::string &text, std::vector<ScriptStep> &steps, std::string &error) {
    std::istringstream in(text);
    std::string line;
    int n = 0;
    using T = Event::Type;
    while (std::getline(in, line)) {
        n++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        line = line.substr(start);
        size_t space = line.find(' ');
        std::string verb = line.substr(0, space);
        std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
        std::vector<std::string> w = words(line);
        ScriptStep step;
        step.line = n;
        Point p;
        bool ok = true;
        if (verb == "tap" || verb == "dtap" || verb == "down" || verb == "move" || verb == "up") {
            ok = point(w, 1, p);
            if (ok) {
                auto add = [&](T t) {
                    Event e = make(t, n);
                    e.pt = p;
                    step.events.push_back(e);
                };
                if (verb == "tap") {
                    add(T::PenDown);
                    add(T::PenUp);
                } else if (verb == "dtap") {
                    add(T::PenDown);
                    add(T::PenUp);
                    add(T::DoubleTap);
                    add(T::PenUp);
                } else {
                    add(verb == "down" ? T::PenDown : verb == "move" ? T::PenMove : T::PenUp);
                }
            }
        } else if (verb == "wheel") {
            Event e = make(T::Wheel, n);
            ok = w.size() == 4 && parseInt(w[1], -100, 100, e.amount) && point(w, 2, e.pt);
            step.events.push_back(e);
        } else if (verb == "key") {
            Event e = make(T::Text, n);
            e.text = fromUtf8(arg);
            ok = !arg.empty();
            step.events.push_back(e);
        } else if (verb == "press") {
            Event e = make(T::KeyPress, n);
            ok = w.size() == 2 && parseKeyName(w[1], e);
            step.events.push_back(e);
        } else if (verb == "command") {
            Event e = make(T::Command, n);
            ok = w.size() == 2;
            if (ok) {
                if (w[1] == "exit") e.command = kCmdExit;
                else if (w[1] == "open") e.command = kCmdOpen;
                else if (w[1] == "grid") e.command = kCmdGrid;
                else if (w[1] == "about") e.command = kCmdAbout;
                else ok = false;
            }
            step.events.push_back(e);
        } else if (verb == "choose") {
            Event e = make(T::Choose, n);
            e.arg = arg;
            ok = !arg.empty();
            step.events.push_back(e);
        } else if (verb == "menu") {
            Event e = make(T::MenuChoose, n);
            e.text = fromUtf8(arg);
            ok = !arg.empty();
            step.events.push_back(e);
        } else if (verb == "answer") {
            Event e = make(T::Answer, n);
            e.text = fromUtf8(arg);
            ok = arg == "Yes" || arg == "No" || arg == "OK";
            step.events.push_back(e);
        } else if (verb == "wait") {
            ok = w.size() == 2 && parseInt(w[1], 0, 3600000, step.waitMs);
        } else if (verb == "shot" || verb == "state") {
            Event e = make(verb == "shot" ? T::Shot : T::State, n);
            e.arg = arg;
            ok = w.size() == 2 && goodName(arg);
            step.events.push_back(e);
        } else {
            error = "line " + std::to_string(n) + ": unknown event \"" + line + "\"";
            return false;
        }
        if (!ok) {
            error = "line " + std::to_string(n) + ": malformed \"" + line + "\"";
            return false;
        }
        steps.push_back(std::move(step));
    }
    return true;
}

}  // namespace vp
