// The simulator's script interpreter (see sim.h and HelpText below).
#include "sim.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

#include "autoplay.h"
#include "game.h"
#include "global_table.h"
#include "headless.h"
#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"
#include "picture_file.h"
#include "sys_script.h"

namespace sim {

const char* HelpText() {
    return R"(grazerunner-sim SCRIPT   (SCRIPT "-" reads standard input)
grazerunner-sim verify FILE.grr...   (a folder: every *.grr in it)
grazerunner-sim compare OLD.grr NEW.grr
grazerunner-sim random N SEED DIR [ROOT]

Runs the game headless: the game's own start-up, message loop, frames, scenes
and engine, with a scripted clock, scripted keys and pads, error boxes that are
recorded and answered OK, and sound calls that are listed. One directive a line;
'#' starts a comment; blank lines are ignored.

  root DIR              program folder and working directory (pictures and
                        sounds from DIR/data/, stage files from DIR/data/,
                        point.txt in DIR). Default: the folder of the built data.
  seed N                GameRandom state (default 1); later it reseeds.
  step MS [MS...]       milliseconds the clock advances before each frame (16);
                        several are taken in turn, one a turn (17 17 16: a
                        monitor's 60 Hz as a millisecond clock reads it).
  pad X Y | pad none    pad 0 present with raw stick X Y (0-65535), or absent.
                        The position at start-up becomes the pad's centre.
  hold KEY... / release KEY...
                        keys held from now on / released. Keys: Enter Escape
                        Left Up Right Down Z X C Num5 Pad1 Pad2 Pad3 Pad4 (and
                        Alt). A key going from released to held also sends its
                        key-press message.
  frames N              N turns of the loop: queued messages, then the clock
                        advances by step, then a frame if the game is active.
  until NAME OP VALUE [MAX]
                        turns until the condition holds; fails after MAX
                        frames (default 100000).
  autoplay [HABIT...] | autoplay off
                        from now on each turn of the play scene the
                        simulator's player decides the controls: under the
                        boss, out of the way of any shot that would hit within
                        half a second. Habits: bombs (a bomb when no way out
                        is left, or a column full of shots and one to spare),
                        reverses (the reverse when flat shots crowd in),
                        careless (no dodging), pad (pad 0's stick and
                        buttons 1-3 instead of the keys). It holds and releases
                        keys as hold and release do; off releases them.
  activate / deactivate the game gains / loses activation.
  close                 a close request from the system.
  set NAME VALUE        write a game value: Lives 0, PlayerX 120.5,
                        FlatShot[3].vx -40.
  call NAME [ARG...]    call a game operation; prints {"call":NAME,"result":...}.
                        Random draws from GameRandom. ParseDecimal takes "text".
  dump [NAME...]        print the state (or the named values) as one JSON line.
  shot FILE             write the last presented frame (BMP, or PNG by ending).
  expect NAME OP VALUE  check a value (== != < <= > >=); floats compare exactly
                        as printed.

Names: every game value by its name (SceneId, Score, PlayerX, ...), table
fields as Table[slot].field (DepthShot FlatShot PlayerShot Burst), and frame,
tick, Quit.

Exit status: 0 all ran, 1 an expect or until failed, 2 the script is wrong.

verify plays replays again headless and prints a line for each: its result
line and "ok", or what is wrong; 0 only when every one verifies. compare
tells what moved between two recordings of a game (1 when its result or a
checkpoint did). random plays N games of random inputs one after another,
pictures and sounds from ROOT/data/ (default: beside the program), and keeps
each one's replay as DIR/game-NNNNN.grr.
)";
}

namespace {

using ktScript::State;

struct KeyName {
    const char* name;
    int vk;      // virtual key, or 0
    int button;  // pad button 1-4, or 0
};

constexpr KeyName Keys[] = {
    {"Enter", ktPlatform::VK_RETURN, 0}, {"Escape", ktPlatform::VK_ESCAPE, 0},
    {"Left", ktPlatform::VK_LEFT, 0},    {"Up", ktPlatform::VK_UP, 0},
    {"Right", ktPlatform::VK_RIGHT, 0},  {"Down", ktPlatform::VK_DOWN, 0},
    {"Z", ktPlatform::VK_Z, 0},          {"X", ktPlatform::VK_X, 0},
    {"C", ktPlatform::VK_C, 0},          {"Num5", ktPlatform::VK_NUMPAD5, 0},
    {"Alt", 0x12, 0},                    {"Pad1", 0, 1},
    {"Pad2", 0, 2},                      {"Pad3", 0, 3},
    {"Pad4", 0, 4},
};

// A script error: the message names the line.
struct ScriptError {
    std::string message;
};

// A value that a name refers to.
struct Ref {
    ValueType type = ValueType::I32;
    void* address = nullptr;
    size_t size = 0;
    enum Kind { Game, Frame, Tick, Quit } kind = Game;
};

class Simulator {
public:
    Simulator(std::ostream& out, std::ostream& err, std::string root)
        : out_(out), err_(err), root_(std::move(root)) {}

    int Run(std::istream& in, const std::string& name) {
        std::string line;
        int failed = 0;
        while (std::getline(in, line)) {
            lineNo_++;
            std::vector<std::string> words = Split(line);
            if (words.empty()) continue;
            try {
                if (!Directive(words)) failed = 1;
            } catch (const ScriptError& e) {
                err_ << name << ":" << lineNo_ << ": " << e.message << "\n";
                return ScriptWrong;
            }
        }
        return failed ? ExpectFailed : AllRan;
    }


private:
    std::ostream& out_;
    std::ostream& err_;
    std::string root_;
    std::unique_ptr<Headless> game_;  // from the game's start on
    int lineNo_ = 0;
    bool started_ = false;
    bool quit_ = false;
    std::vector<uint32_t> steps_ = {16};  // taken in turn, one a turn
    size_t nextStep_ = 0;
    uint32_t seed_ = 1;
    int padPresent_ = 0;
    ktPlatform::PadReading pad_ = {32767, 32767, 0};
    long frame_ = 0;
    size_t boxesSeen_ = 0;
    size_t soundsSeen_ = 0;
    bool autoplay_ = false;
    bool autoplayPad_ = false;
    AutoplayHabits habits_;

    [[noreturn]] void Fail(const std::string& message) { throw ScriptError{message}; }

    static std::vector<std::string> Split(const std::string& line) {
        std::vector<std::string> words;
        size_t i = 0;
        while (i < line.size()) {
            char c = line[i];
            if (c == '#') break;
            if (c == ' ' || c == '\t' || c == '\r') {
                i++;
                continue;
            }
            std::string word;
            if (c == '"') {
                size_t end = line.find('"', i + 1);
                if (end == std::string::npos) end = line.size();
                word = line.substr(i, end - i + 1);
                i = end + 1;
            } else {
                while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
            }
            words.push_back(word);
        }
        return words;
    }

    long long Integer(const std::string& word) {
        errno = 0;
        char* end = nullptr;
        long long v = std::strtoll(word.c_str(), &end, 0);
        if (word.empty() || *end || errno) Fail("not a whole number: " + word);
        return v;
    }
    double Number(const std::string& word) {
        errno = 0;
        char* end = nullptr;
        double v = std::strtod(word.c_str(), &end);
        if (word.empty() || *end || errno) Fail("not a number: " + word);
        return v;
    }
    void Args(const std::vector<std::string>& w, size_t least, size_t most) {
        if (w.size() - 1 < least || w.size() - 1 > most) Fail("wrong number of arguments to " + w[0]);
    }

    // ---- Start-up and the loop ----------------------------------------------

    void StartUp() {
        if (started_) return;
        started_ = true;
        game_ = std::make_unique<Headless>(root_);
        if (!game_->ok()) Fail("cannot enter the folder " + root_);
        State.calendarTime = seed_;  // start-up seeds GameRandom with the calendar time
        State.pads[0] = {padPresent_, pad_};
        if (!ktSystem::StartUp(GameEntryPoints)) Fail("the window could not be created");
    }

    void NeedGame(bool allowedAfterQuit = false) {
        StartUp();
        if (quit_ && !allowedAfterQuit) Fail("the game has quit; only dump and expect are allowed");
    }

    // The game's step of the next frame as the clock's step gives it.
    float GameSeconds() const {
        const float frame = float(steps_[nextStep_]) / 1000.0f;
        const float step = GameMode == 2 ? frame / 2.0f : GameMode == 1 ? frame : frame * 1.5f;
        return step < 0.005f ? 0.005f : step > 0.1f ? 0.1f : step;
    }

    // The simulator's player sets the controls for the coming frame (all
    // released outside the play scene, and when it stops).
    void Autoplay(bool stopping = false) {
        AutoplayControls c;
        if (!stopping && ktSystem::SceneId == 1 && ktSystem::AppActive) c = DecideControls(habits_, GameSeconds());
        if (autoplayPad_) {
            const uint32_t x = ktSystem::PadCentred[0] ? uint32_t(ktSystem::PadCentreX[0]) : 32767u;
            const uint32_t y = ktSystem::PadCentred[0] ? uint32_t(ktSystem::PadCentreY[0]) : 32767u;
            auto axis = [](uint32_t centre, int d) { return d < 0 ? centre / 8 : d > 0 ? centre + (65535 - centre) * 7 / 8 : centre; };
            pad_.x = axis(x, c.dx);
            pad_.y = axis(y, c.dy);
            pad_.buttons = (c.slow ? 1u : 0u) | (c.bomb ? 2u : 0u) | (c.reverse ? 4u : 0u);
            State.pads[0] = {padPresent_, pad_};
            return;
        }
        HoldKey(ktPlatform::VK_LEFT, c.dx < 0);
        HoldKey(ktPlatform::VK_RIGHT, c.dx > 0);
        HoldKey(ktPlatform::VK_UP, c.dy < 0);
        HoldKey(ktPlatform::VK_DOWN, c.dy > 0);
        HoldKey(ktPlatform::VK_Z, c.slow);
        HoldKey(ktPlatform::VK_X, c.bomb);
        HoldKey(ktPlatform::VK_C, c.reverse);
    }

    // One turn of the loop. False once the quit message has ended it.
    bool Turn() {
        if (autoplay_) Autoplay();
        int code = 0;
        if (!ktSystem::DispatchMessages(&code)) {
            quit_ = true;
            return false;
        }
        State.tick += steps_[nextStep_];
        nextStep_ = (nextStep_ + 1) % steps_.size();
        if (ktSystem::AppActive) {
            const uint64_t before = ktSystem::FramesRun;
            ktSystem::RunTurnFrames();
            frame_ += long(ktSystem::FramesRun - before);
        }
        return true;
    }

    // ---- Names and values -----------------------------------------------------

    Ref Resolve(const std::string& name) {
        Ref ref;
        if (name == "frame") { ref.kind = Ref::Frame; return ref; }
        if (name == "tick") { ref.kind = Ref::Tick; return ref; }
        if (name == "Quit") { ref.kind = Ref::Quit; return ref; }
        size_t bracket = name.find('[');
        if (bracket == std::string::npos) {
            const GameValue* v = FindGameValue(name.c_str());
            if (!v) Fail("unknown name: " + name);
            ref.type = v->type;
            ref.address = v->address;
            ref.size = v->size;
            return ref;
        }
        size_t close = name.find("].", bracket);
        if (close == std::string::npos) Fail("unknown name: " + name);
        const GameTableInfo* t = FindGameTable(name.substr(0, bracket).c_str());
        if (!t) Fail("unknown table: " + name.substr(0, bracket));
        long long slot = Integer(name.substr(bracket + 1, close - bracket - 1));
        if (slot < 0 || slot >= t->count) Fail("slot out of range: " + name);
        const TableField* f = FindTableField(*t, name.substr(close + 2).c_str());
        if (!f) Fail("unknown field: " + name);
        ref.type = f->type;
        ref.address = static_cast<uint8_t*>(t->base) + size_t(slot) * t->stride + f->offset;
        ref.size = 4;
        return ref;
    }

    static std::string FloatText(float f) {
        if (std::isnan(f)) return "\"nan\"";
        if (std::isinf(f)) return f > 0 ? "\"inf\"" : "\"-inf\"";
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", double(f));
        return text;
    }

    static std::string JsonString(const std::string& s) {
        std::string out = "\"";
        for (unsigned char c : s) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += char(c);
            } else if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += char(c);
            }
        }
        return out + "\"";
    }

    std::string Text(const Ref& ref) {
        switch (ref.kind) {
        case Ref::Frame: return std::to_string(frame_);
        case Ref::Tick: return std::to_string(State.tick);
        case Ref::Quit: return quit_ ? "true" : "false";
        case Ref::Game: break;
        }
        switch (ref.type) {
        case ValueType::I32: return std::to_string(*static_cast<int32_t*>(ref.address));
        case ValueType::U32: return std::to_string(*static_cast<uint32_t*>(ref.address));
        case ValueType::F32: return FloatText(*static_cast<float*>(ref.address));
        case ValueType::Text: {
            const char* s = static_cast<const char*>(ref.address);
            return JsonString(std::string(s, strnlen(s, ref.size)));
        }
        case ValueType::File: return *static_cast<std::FILE**>(ref.address) ? "true" : "false";
        }
        return "null";
    }

    void Write(const Ref& ref, const std::string& word) {
        if (ref.kind != Ref::Game) Fail("cannot set that value");
        switch (ref.type) {
        case ValueType::I32: *static_cast<int32_t*>(ref.address) = int32_t(Integer(word)); break;
        case ValueType::U32: *static_cast<uint32_t*>(ref.address) = uint32_t(Integer(word)); break;
        case ValueType::F32: *static_cast<float*>(ref.address) = float(Number(word)); break;
        case ValueType::Text: {
            std::string s = word.size() >= 2 && word.front() == '"' ? word.substr(1, word.size() - 2) : word;
            char* buffer = static_cast<char*>(ref.address);
            std::snprintf(buffer, ref.size, "%s", s.c_str());
            break;
        }
        case ValueType::File: Fail("cannot set a file");
        }
    }

    // Compares a value with a written one; the comparison is on numbers
    // (floats as floats), or on the printed text for texts and flags.
    bool Compare(const Ref& ref, const std::string& op, const std::string& word) {
        int order = 0;
        bool numeric = true;
        if (ref.kind == Ref::Quit || (ref.kind == Ref::Game &&
                                      (ref.type == ValueType::Text || ref.type == ValueType::File)))
            numeric = false;
        if (numeric) {
            double have, want;
            if (ref.kind == Ref::Game && ref.type == ValueType::F32) {
                have = *static_cast<float*>(ref.address);
                want = float(Number(word));
            } else {
                have = Number(Text(ref));
                want = Number(word);
            }
            order = have < want ? -1 : have > want ? 1 : 0;
            if (std::isnan(have) || std::isnan(want)) return op == "!=";
        } else {
            std::string have = Text(ref);
            std::string want = word;
            if (ref.type == ValueType::Text && (want.empty() || want.front() != '"')) want = JsonString(want);
            order = have < want ? -1 : have > want ? 1 : 0;
        }
        if (op == "==") return order == 0;
        if (op == "!=") return order != 0;
        if (op == "<") return order < 0;
        if (op == "<=") return order <= 0;
        if (op == ">") return order > 0;
        if (op == ">=") return order >= 0;
        Fail("unknown comparison: " + op);
    }

    // ---- Dump -------------------------------------------------------------------

    std::string TableJson(const GameTableInfo& t) {
        std::string s = "[";
        bool first = true;
        for (int slot = 0; slot < t.count; slot++) {
            auto* entry = static_cast<uint8_t*>(t.base) + size_t(slot) * t.stride;
            const TableField* active = FindTableField(t, "active");
            if (!*reinterpret_cast<int32_t*>(entry + active->offset)) continue;
            s += first ? "{" : ",{";
            first = false;
            s += "\"slot\":" + std::to_string(slot);
            for (int f = 0; f < t.fieldCount; f++) {
                Ref ref;
                ref.type = t.fields[f].type;
                ref.address = entry + t.fields[f].offset;
                ref.size = 4;
                s += ",\"" + std::string(t.fields[f].name) + "\":" + Text(ref);
            }
            s += "}";
        }
        return s + "]";
    }

    std::string ListJson(const std::vector<std::string>& items, size_t& seen) {
        std::string s = "[";
        for (size_t i = seen; i < items.size(); i++) s += (i > seen ? "," : "") + JsonString(items[i]);
        seen = items.size();
        return s + "]";
    }

    void Dump(const std::vector<std::string>& names) {
        std::string s = "{";
        auto add = [&](const std::string& key, const std::string& value) {
            s += (s.size() > 1 ? ",\"" : "\"") + key + "\":" + value;
        };
        if (names.empty()) {
            add("frame", std::to_string(frame_));
            add("tick", std::to_string(State.tick));
            for (const GameValue& v : std::vector<GameValue>(GameValues, GameValues + GameValueCount))
                add(v.name, Text(Resolve(v.name)));
            for (int t = 0; t < GameTableCount; t++) add(GameTables[t].name, TableJson(GameTables[t]));
            add("Sounds", ListJson(State.sounds, soundsSeen_));
            add("Boxes", ListJson(State.boxes, boxesSeen_));
            add("Quit", quit_ ? "true" : "false");
        } else {
            for (const std::string& name : names) {
                if (const GameTableInfo* t = FindGameTable(name.c_str()))
                    add(name, TableJson(*t));
                else if (name == "Sounds")
                    add(name, ListJson(State.sounds, soundsSeen_));
                else if (name == "Boxes")
                    add(name, ListJson(State.boxes, boxesSeen_));
                else
                    add(name, Text(Resolve(name)));
            }
        }
        out_ << s << "}\n";
    }

    // ---- Calls --------------------------------------------------------------------

    void Call(const std::vector<std::string>& w) {
        const std::string& name = w[1];
        std::vector<std::string> a(w.begin() + 2, w.end());
        auto need = [&](size_t n) {
            if (a.size() != n) Fail(name + " takes " + std::to_string(n) + " argument(s)");
        };
        auto i = [&](size_t k) { return int32_t(Integer(a[k])); };
        using Op = void (*)();
        static const std::pair<const char*, Op> plain[] = {
            {"LoadResourceSet", LoadResourceSet},   {"ResetGame", ResetGame},
            {"StartStage", StartStage},             {"StepScript1", StepScript1},
            {"StepScript2", StepScript2},           {"CheckStageClear", CheckStageClear},
            {"CloseScripts", CloseScripts},         {"SpawnFlatShot", SpawnFlatShot},
            {"NextDepthShotSlot", NextDepthShotSlot}, {"NextPlayerShotSlot", NextPlayerShotSlot},
            {"NextBurstSlot", NextBurstSlot},       {"UpdateDepthShots", UpdateDepthShots},
            {"UpdateFlatShots", UpdateFlatShots},   {"UpdateBoss", UpdateBoss},
            {"UpdateBursts", UpdateBursts},         {"UpdatePlayer", UpdatePlayer},
            {"UpdateBomb", UpdateBomb},             {"PlayFrame", PlayFrame},
            {"TitleFrame", TitleFrame},             {"ModeSelectFrame", ModeSelectFrame},
            {"CharacterSelectFrame", CharacterSelectFrame}, {"ResultsFrame", ResultsFrame},
        };
        std::string result = "null";
        bool found = false;
        for (const auto& [opName, op] : plain)
            if (name == opName) {
                need(0);
                op();
                found = true;
            }
        if (found) {
        } else if (name == "FireDepthPattern") {
            need(1);
            FireDepthPattern(i(0));
        } else if (name == "FireFlatPattern") {
            need(1);
            FireFlatPattern(i(0));
        } else if (name == "SteerBoss") {
            need(1);
            SteerBoss(i(0));
        } else if (name == "AimFlatShot") {
            need(4);
            AimFlatShot(float(Number(a[0])), float(Number(a[1])), i(2), i(3));
        } else if (name == "SpawnBurst") {
            need(2);
            SpawnBurst(i(0), i(1));
        } else if (name == "ParseDecimal") {
            need(1);
            std::string text = a[0];
            if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
            result = std::to_string(ParseDecimal(text.c_str()));
        } else if (name == "FormatDecimal") {
            need(1);
            result = JsonString(FormatDecimal(i(0)));
        } else if (name == "PowerOfTen") {
            need(1);
            result = std::to_string(PowerOfTen(i(0)));
        } else if (name == "IntPower") {
            need(2);
            result = std::to_string(IntPower(i(0), i(1)));
        } else if (name == "Random") {
            if (a.size() > 1) Fail("Random takes 0 or 1 argument");
            result = std::to_string(a.empty() ? Random() : Random(i(0)));
        } else {
            Fail("unknown operation: " + name);
        }
        out_ << "{\"call\":" << JsonString(name) << ",\"result\":" << result << "}\n";
    }

    // ---- Directives -------------------------------------------------------------------

    const KeyName& Key(const std::string& word) {
        for (const KeyName& k : Keys)
            if (word == k.name) return k;
        Fail("unknown key: " + word);
    }

    void HoldKey(int vk, bool down) {
        if (down && !State.keys[vk]) ktScript::PressKey(vk);
        if (!down && State.keys[vk]) ktScript::ReleaseKey(vk);
    }

    void Hold(const std::string& word, bool down) {
        const KeyName& k = Key(word);
        if (k.button) {
            uint32_t bit = 1u << (k.button - 1);
            pad_.buttons = down ? (pad_.buttons | bit) : (pad_.buttons & ~bit);
            if (started_) State.pads[0].reading.buttons = pad_.buttons;
            return;
        }
        HoldKey(k.vk, down);
    }

    // Returns false when a check failed.
    bool Directive(const std::vector<std::string>& w) {
        const std::string& d = w[0];
        if (d == "root") {
            Args(w, 1, 1);
            if (started_) Fail("root must come before the game starts");
            std::error_code ec;
            std::filesystem::path p = std::filesystem::absolute(w[1], ec);
            if (ec || !std::filesystem::is_directory(p)) Fail("no such folder: " + w[1]);
            root_ = p.lexically_normal().string();
            while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
        } else if (d == "seed") {
            Args(w, 1, 1);
            seed_ = uint32_t(Integer(w[1]));
            if (started_) GameRandom = seed_;
        } else if (d == "step") {
            if (w.size() < 2) Fail("step needs milliseconds");
            steps_.clear();
            nextStep_ = 0;
            for (size_t k = 1; k < w.size(); k++) {
                long long ms = Integer(w[k]);
                if (ms < 0 || ms > 0xFFFFFFFFll) Fail("step out of range: " + w[k]);
                steps_.push_back(uint32_t(ms));
            }
        } else if (d == "pad") {
            Args(w, 1, 2);
            if (w[1] == "none") {
                if (w.size() != 2) Fail("pad none takes nothing more");
                padPresent_ = 0;
            } else {
                Args(w, 2, 2);
                long long x = Integer(w[1]), y = Integer(w[2]);
                if (x < 0 || x > 65535 || y < 0 || y > 65535) Fail("pad position out of 0-65535");
                padPresent_ = 1;
                pad_.x = uint32_t(x);
                pad_.y = uint32_t(y);
            }
            if (started_) State.pads[0] = {padPresent_, pad_};
        } else if (d == "hold" || d == "release") {
            if (w.size() < 2) Fail(d + " needs a key");
            for (size_t k = 1; k < w.size(); k++) Key(w[k]);  // every name checked first
            NeedGame();
            for (size_t k = 1; k < w.size(); k++) Hold(w[k], d == "hold");
        } else if (d == "frames") {
            Args(w, 1, 1);
            long long n = Integer(w[1]);
            if (n < 0) Fail("frames must not be negative");
            NeedGame();
            for (long long k = 0; k < n && Turn(); k++) {
            }
        } else if (d == "until") {
            Args(w, 3, 4);
            Ref ref = Resolve(w[1]);
            long long most = w.size() == 5 ? Integer(w[4]) : 100000;
            Compare(ref, w[2], w[3]);  // the operator and value are checked before running
            NeedGame();
            long start = frame_;
            while (!Compare(ref, w[2], w[3])) {
                if (frame_ - start >= most || quit_) {
                    out_ << "until failed at line " << lineNo_ << ": " << w[1] << " " << w[2] << " "
                         << w[3] << " not reached in " << (frame_ - start) << " frames (" << w[1]
                         << " = " << Text(ref) << ")\n";
                    return false;
                }
                if (!Turn()) continue;
            }
        } else if (d == "autoplay") {
            AutoplayHabits habits;
            bool pad = false, off = false;
            for (size_t k = 1; k < w.size(); k++) {
                if (w[k] == "off" && w.size() == 2) off = true;
                else if (w[k] == "bombs") habits.bombs = true;
                else if (w[k] == "reverses") habits.reverses = true;
                else if (w[k] == "careless") habits.dodges = false;
                else if (w[k] == "pad") pad = true;
                else Fail("unknown habit: " + w[k]);
            }
            if (pad && !padPresent_) Fail("autoplay pad needs a pad (pad X Y first)");
            NeedGame();
            if (autoplay_) Autoplay(true);  // the controls of the last habits let go
            autoplay_ = !off;
            autoplayPad_ = pad;
            habits_ = habits;
        } else if (d == "activate" || d == "deactivate") {
            Args(w, 0, 0);
            NeedGame();
            State.events.push_back({ktPlatform::WM_ACTIVATEAPP, d == "activate" ? 1u : 0u, 0});
        } else if (d == "close") {
            Args(w, 0, 0);
            NeedGame();
            State.events.push_back({ktPlatform::WM_CLOSE, 0, 0});
        } else if (d == "set") {
            Args(w, 2, 2);
            Ref ref = Resolve(w[1]);
            NeedGame();
            Write(ref, w[2]);
        } else if (d == "call") {
            if (w.size() < 2) Fail("call needs an operation");
            NeedGame();
            Call(w);
        } else if (d == "dump") {
            for (size_t k = 1; k < w.size(); k++)
                if (!FindGameTable(w[k].c_str()) && w[k] != "Sounds" && w[k] != "Boxes") Resolve(w[k]);
            NeedGame(true);
            Dump(std::vector<std::string>(w.begin() + 1, w.end()));
        } else if (d == "shot") {
            Args(w, 1, 1);
            NeedGame();
            if (State.presented.empty()) Fail("no frame has been presented yet");
            if (!WritePicture(w[1], State.presented, State.presentedWidth, State.presentedHeight))
                Fail("cannot write " + w[1]);
        } else if (d == "expect") {
            Args(w, 3, 3);
            Ref ref = Resolve(w[1]);
            NeedGame(true);
            if (!Compare(ref, w[2], w[3])) {
                out_ << "expect failed at line " << lineNo_ << ": " << w[1] << " " << w[2] << " " << w[3]
                     << " (" << w[1] << " = " << Text(ref) << ")\n";
                return false;
            }
        } else {
            Fail("unknown directive: " + d);
        }
        return true;
    }
};

}  // namespace

int RunScript(std::istream& in, const std::string& name, const std::string& defaultRoot,
              std::ostream& out, std::ostream& err) {
    Simulator simulator(out, err, defaultRoot);
    return simulator.Run(in, name);
}

}  // namespace sim
