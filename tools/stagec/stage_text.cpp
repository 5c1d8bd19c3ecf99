// The text form of a stage: compile it to the two byte streams and write
// byte streams back as text.
//
//   boss-hp POINTS              the boss's hit points, a multiple of 500
//   shot CODE CODE SECONDS      one shot-stream entry
//   move CODE SECONDS           one boss-stream entry
//   repeat COUNT {  ...  }      the lines inside, COUNT times over
//   shot-tail BYTE [BYTE]       left-over bytes at the end of the shot stream
//   move-tail BYTE              a left-over byte at the end of the boss stream
//   # ...                       a comment, to the end of the line
#include <cctype>
#include <cstdio>

#include "pattern_tables.h"
#include "stagec.h"

namespace stagec {

namespace {

// Where a compile stands while it reads the lines of one file.
struct RepeatBlock {
    int line;
    int count;
    size_t shotsStart;
    size_t movesStart;
};

struct CompileState {
    const std::string* fileName;
    int line;
    StageData* out;
    std::string* error;
    int bossHpLine;
    int shotTailLine;  // 0 while the shot stream has no tail
    int moveTailLine;
    std::vector<RepeatBlock> blocks;
};

// A token as it may safely appear in a message: bytes outside printable
// ASCII become \xNN, and very long tokens are cut.
std::string Shown(const std::string& token) {
    std::string out;
    for (unsigned char c : token) {
        if (out.size() > 40) {
            out += "...";
            break;
        }
        if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

int Fail(CompileState& s, const std::string& message) {
    *s.error = *s.fileName + ":" + std::to_string(s.line) + ": " + message;
    return 0;
}

bool IsDigits(const std::string& t, size_t from) {
    if (from >= t.size()) return false;
    for (size_t i = from; i < t.size(); i++) {
        if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
    }
    return true;
}

// A whole number token, optionally signed; 1 with its value (clamped far
// outside any range we accept), 0 when the token is not a whole number.
int ParseWhole(const std::string& t, long long* value) {
    const size_t from = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    if (!IsDigits(t, from)) return 0;
    long long v = 0;
    for (size_t i = from; i < t.size(); i++) {
        v = v * 10 + (t[i] - '0');
        if (v > 1000000000LL) v = 1000000000LL;
    }
    *value = t[0] == '-' ? -v : v;
    return 1;
}

// A code of a shot line (depth or flat) or a move line (boss).
int ParseCode(CompileState& s, const std::string& token, bool shotLine, int* code) {
    long long number = 0;
    if (ParseWhole(token, &number)) {
        if (number < 0 || number > 255) {
            return Fail(s, "number " + Shown(token) +
                               " is out of range; a code is a byte from 0 to 255");
        }
        *code = static_cast<int>(number);
        return 1;
    }
    std::string lower = token;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "none") {
        if (!shotLine) {
            return Fail(s, "'none' belongs on shot lines; on a move line code 0 is boss.stop, "
                           "and a code that changes nothing is a number from " + std::to_string(BossCodeCount) +
                               " to 255");
        }
        *code = 0;
        return 1;
    }
    CodeFamily family = FamilyDepth;
    if (!FindCodeName(token, &family, code)) {
        std::string message = "unknown code name '" + Shown(token) + "'";
        const std::string hint = ClosestCodeName(token);
        if (!hint.empty()) message += " (did you mean " + hint + "?)";
        return Fail(s, message);
    }
    if (shotLine && family == FamilyBoss) {
        return Fail(s, Shown(token) + " is a boss move; it belongs on a move line");
    }
    if (!shotLine && family != FamilyBoss) {
        return Fail(s, Shown(token) + " is a shot pattern; it belongs on a shot line");
    }
    return 1;
}

int ParseDelayField(CompileState& s, const std::string& token, int* ticks) {
    std::string message;
    if (!ParseDelay(token, ticks, &message)) return Fail(s, message);
    return 1;
}

// A byte of a tail line.
int ParseByte(CompileState& s, const std::string& token, int* value) {
    long long number = 0;
    if (!ParseWhole(token, &number)) {
        return Fail(s, "'" + Shown(token) + "' is not a number; a tail holds bytes from 0 to 255");
    }
    if (number < 0 || number > 255) {
        return Fail(s, "number " + Shown(token) + " is out of range; a byte runs from 0 to 255");
    }
    *value = static_cast<int>(number);
    return 1;
}

int CheckFieldCount(CompileState& s, const std::vector<std::string>& tokens, size_t minFields,
                    size_t maxFields, const char* usage) {
    const size_t fields = tokens.size() - 1;
    if (fields < minFields) {
        return Fail(s, std::string("missing field: ") + usage);
    }
    if (fields > maxFields) {
        return Fail(s, std::string("too many fields ('") + Shown(tokens[maxFields + 1]) +
                           "' is extra): " + usage);
    }
    return 1;
}

int CheckStreamSize(CompileState& s) {
    if (s.out->shots.size() > static_cast<size_t>(MaxStreamEntries) * ShotEntryBytes ||
        s.out->moves.size() > static_cast<size_t>(MaxStreamEntries) * MoveEntryBytes) {
        return Fail(s, "a stream grows beyond " + std::to_string(MaxStreamEntries) +
                           " entries; check the repeat counts");
    }
    return 1;
}

int CompileShot(CompileState& s, const std::vector<std::string>& t) {
    if (!CheckFieldCount(s, t, 3, 3, "shot takes two codes and a delay: shot CODE CODE SECONDS"))
        return 0;
    if (s.shotTailLine) {
        return Fail(s, "shot line after the shot-tail of line " + std::to_string(s.shotTailLine) +
                           "; the tail must end the shot stream");
    }
    int first = 0, second = 0, ticks = 0;
    if (!ParseCode(s, t[1], true, &first) || !ParseCode(s, t[2], true, &second) ||
        !ParseDelayField(s, t[3], &ticks))
        return 0;
    s.out->shots.push_back(static_cast<uint8_t>(first));
    s.out->shots.push_back(static_cast<uint8_t>(second));
    s.out->shots.push_back(static_cast<uint8_t>(ticks));
    return CheckStreamSize(s);
}

int CompileMove(CompileState& s, const std::vector<std::string>& t) {
    if (!CheckFieldCount(s, t, 2, 2, "move takes a code and a delay: move CODE SECONDS")) return 0;
    if (s.moveTailLine) {
        return Fail(s, "move line after the move-tail of line " + std::to_string(s.moveTailLine) +
                           "; the tail must end the boss stream");
    }
    int code = 0, ticks = 0;
    if (!ParseCode(s, t[1], false, &code) || !ParseDelayField(s, t[2], &ticks)) return 0;
    s.out->moves.push_back(static_cast<uint8_t>(code));
    s.out->moves.push_back(static_cast<uint8_t>(ticks));
    return CheckStreamSize(s);
}

int CompileBossHp(CompileState& s, const std::vector<std::string>& t) {
    if (!CheckFieldCount(s, t, 1, 1, "boss-hp takes the hit points: boss-hp POINTS")) return 0;
    if (s.bossHpLine) {
        return Fail(s, "boss-hp given twice (first on line " + std::to_string(s.bossHpLine) + ")");
    }
    long long points = 0;
    if (!ParseWhole(t[1], &points)) {
        return Fail(s, "boss-hp '" + Shown(t[1]) + "' is not a whole number of hit points");
    }
    if (points < 0 || points > 255LL * BossHpUnit) {
        return Fail(s, "boss-hp " + Shown(t[1]) + " is out of range; it runs from 0 to " +
                           std::to_string(255 * BossHpUnit));
    }
    if (points % BossHpUnit != 0) {
        return Fail(s, "boss-hp " + Shown(t[1]) + " is not a multiple of " +
                           std::to_string(BossHpUnit) + " (the game stores hit points / " +
                           std::to_string(BossHpUnit) + ")");
    }
    s.out->bossHpByte = static_cast<int>(points / BossHpUnit);
    s.bossHpLine = s.line;
    return 1;
}

int CompileRepeatOpen(CompileState& s, const std::vector<std::string>& t) {
    const char* usage = "repeat takes a count and an opening brace: repeat COUNT {";
    if (!CheckFieldCount(s, t, 2, 2, usage)) return 0;
    if (t[2] != "{") return Fail(s, std::string("expected '{' after the count: ") + usage);
    long long count = 0;
    if (!ParseWhole(t[1], &count)) {
        return Fail(s, "repeat count '" + Shown(t[1]) + "' is not a whole number");
    }
    if (count < 1 || count > MaxStreamEntries) {
        return Fail(s, "repeat count " + Shown(t[1]) + " is out of range; it runs from 1 to " +
                           std::to_string(MaxStreamEntries));
    }
    s.blocks.push_back({s.line, static_cast<int>(count), s.out->shots.size(), s.out->moves.size()});
    return 1;
}

int CompileRepeatClose(CompileState& s, const std::vector<std::string>& t) {
    if (t.size() > 1) {
        return Fail(s, "too many fields ('" + Shown(t[1]) + "' is extra): '}' stands alone");
    }
    if (s.blocks.empty()) return Fail(s, "'}' without an open repeat block");
    const RepeatBlock block = s.blocks.back();
    s.blocks.pop_back();
    const size_t shotsLength = s.out->shots.size() - block.shotsStart;
    const size_t movesLength = s.out->moves.size() - block.movesStart;
    const size_t copies = static_cast<size_t>(block.count - 1);
    if (s.out->shots.size() + shotsLength * copies >
            static_cast<size_t>(MaxStreamEntries) * ShotEntryBytes ||
        s.out->moves.size() + movesLength * copies >
            static_cast<size_t>(MaxStreamEntries) * MoveEntryBytes) {
        return Fail(s, "a stream grows beyond " + std::to_string(MaxStreamEntries) +
                           " entries; check the repeat counts");
    }
    for (size_t c = 0; c < copies; c++) {
        for (size_t i = 0; i < shotsLength; i++)
            s.out->shots.push_back(s.out->shots[block.shotsStart + i]);
        for (size_t i = 0; i < movesLength; i++)
            s.out->moves.push_back(s.out->moves[block.movesStart + i]);
    }
    return 1;
}

int CompileTail(CompileState& s, const std::vector<std::string>& t, bool shotStream) {
    const char* usage = shotStream
                            ? "shot-tail takes one or two bytes: shot-tail BYTE [BYTE]"
                            : "move-tail takes one byte: move-tail BYTE";
    if (!CheckFieldCount(s, t, 1, shotStream ? 2 : 1, usage)) return 0;
    if (!s.blocks.empty()) {
        return Fail(s, std::string(shotStream ? "shot-tail" : "move-tail") +
                           " cannot stand inside a repeat block");
    }
    int& tailLine = shotStream ? s.shotTailLine : s.moveTailLine;
    if (tailLine) {
        return Fail(s, std::string(shotStream ? "shot-tail" : "move-tail") +
                           " given twice (first on line " + std::to_string(tailLine) + ")");
    }
    std::vector<uint8_t>& stream = shotStream ? s.out->shots : s.out->moves;
    for (size_t i = 1; i < t.size(); i++) {
        int value = 0;
        if (!ParseByte(s, t[i], &value)) return 0;
        stream.push_back(static_cast<uint8_t>(value));
    }
    tailLine = s.line;
    return 1;
}

// Splits one line into whitespace-separated tokens, dropping the comment.
std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    std::string current;
    for (char c : line) {
        if (c == '#') break;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
            if (!current.empty()) tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) tokens.push_back(current);
    return tokens;
}

int CompileLine(CompileState& s, const std::vector<std::string>& t) {
    const std::string& keyword = t[0];
    if (keyword == "shot") return CompileShot(s, t);
    if (keyword == "move") return CompileMove(s, t);
    if (keyword == "boss-hp") return CompileBossHp(s, t);
    if (keyword == "repeat") return CompileRepeatOpen(s, t);
    if (keyword == "}") return CompileRepeatClose(s, t);
    if (keyword == "shot-tail") return CompileTail(s, t, true);
    if (keyword == "move-tail") return CompileTail(s, t, false);
    CodeFamily family = FamilyDepth;
    int code = 0;
    if (FindCodeName(keyword, &family, &code)) {
        return Fail(s, "a line starts with its keyword: write '" +
                           std::string(family == FamilyBoss ? "move " : "shot ") +
                           Shown(keyword) + " ...'");
    }
    return Fail(s, "unknown keyword '" + Shown(keyword) +
                       "'; a line starts with boss-hp, shot, move, repeat, }, shot-tail "
                       "or move-tail");
}

}  // namespace

int ParseDelay(const std::string& text, int* ticks, std::string* error) {
    // Seconds as [-]DIGITS[.DIGITS]; worked out exactly in hundredths.
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
    long long whole = 0;
    int wholeDigits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (whole < 100000) whole = whole * 10 + (text[i] - '0');
        wholeDigits++;
        i++;
    }
    std::string fraction;
    if (i < text.size() && text[i] == '.') {
        i++;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            fraction += text[i];
            i++;
        }
    }
    if (i != text.size() || (wholeDigits == 0 && fraction.empty())) {
        *error = "delay '" + Shown(text) + "' is not a number of seconds (such as 1.50)";
        return 0;
    }
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    const bool isZero = whole == 0 && fraction.empty();
    if (negative && !isZero) {
        *error = "delay " + Shown(text) + " is negative; a delay runs from 0 to 12.75 seconds";
        return 0;
    }
    if (fraction.size() > 2) {
        *error = "delay " + Shown(text) +
                 " is not a multiple of 0.05 seconds (delays count in twentieths of a second)";
        return 0;
    }
    while (fraction.size() < 2) fraction += '0';
    const long long hundredths = whole * 100 + (fraction[0] - '0') * 10 + (fraction[1] - '0');
    if (hundredths % 5 != 0) {
        *error = "delay " + Shown(text) +
                 " is not a multiple of 0.05 seconds (delays count in twentieths of a second)";
        return 0;
    }
    if (hundredths / 5 > MaxDelayTicks) {
        *error = "delay " + Shown(text) +
                 " is too long; one entry waits at most 12.75 seconds "
                 "(spread a longer wait over two entries)";
        return 0;
    }
    *ticks = static_cast<int>(hundredths / 5);
    return 1;
}

std::string FormatDelay(int ticks) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02d", ticks / 20, (ticks % 20) * 5);
    return text;
}

int CompileStageText(const std::string& fileName, const std::string& text, StageData* out,
                     std::string* error) {
    *out = StageData();
    CompileState s{&fileName, 0, out, error, 0, 0, 0, {}};
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        s.line++;
        const std::vector<std::string> tokens = Tokens(text.substr(start, end - start));
        if (!tokens.empty() && !CompileLine(s, tokens)) return 0;
        start = end + 1;
    }
    if (!s.blocks.empty()) {
        s.line = s.blocks.back().line;
        return Fail(s, "repeat block is never closed with '}'");
    }
    if (!s.bossHpLine) {
        *error = fileName + ": no boss-hp line; every stage names its boss's hit points "
                            "(such as 'boss-hp 20000')";
        return 0;
    }
    return 1;
}

namespace {

std::string ShotCodeText(int code) {
    if (code == 0) return "none";
    const char* name = CodeName(code < DepthPatternCount ? FamilyDepth : FamilyFlat, code);
    return name ? name : std::to_string(code);
}

std::string MoveCodeText(int code) {
    const char* name = CodeName(FamilyBoss, code);
    return name ? name : std::to_string(code);
}

std::string Padded(const std::string& s, size_t width) {
    return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

}  // namespace

std::string DecompileStage(const StageData& stage, std::string* notes) {
    std::string out;
    std::string remarks;
    out += "boss-hp " + std::to_string(stage.bossHpByte * BossHpUnit) + "\n";

    const size_t shotEntries = stage.shots.size() / ShotEntryBytes;
    int shotTicks = 0;
    for (size_t i = 0; i < shotEntries; i++) shotTicks += stage.shots[i * 3 + 2];
    out += "\n# Shot stream: " + std::to_string(shotEntries) +
           (shotEntries == 1 ? " entry" : " entries") + ", one pass " +
           FormatDelay(shotTicks) + " s\n";
    for (size_t i = 0; i < shotEntries; i++) {
        const uint8_t* e = &stage.shots[i * ShotEntryBytes];
        out += "shot " + Padded(ShotCodeText(e[0]), 25) + Padded(ShotCodeText(e[1]), 25) +
               FormatDelay(e[2]) + "\n";
    }
    const size_t shotLeft = stage.shots.size() % ShotEntryBytes;
    if (shotLeft) {
        out += "# The last " + std::to_string(shotLeft) +
               " byte(s) do not make a whole entry; kept as they are.\n";
        out += "shot-tail";
        for (size_t i = stage.shots.size() - shotLeft; i < stage.shots.size(); i++)
            out += " " + std::to_string(stage.shots[i]);
        out += "\n";
        remarks += "the shot stream ends in " + std::to_string(shotLeft) +
                   " byte(s) that do not make a whole 3-byte entry; they are kept on a "
                   "shot-tail line\n";
    }

    const size_t moveEntries = stage.moves.size() / MoveEntryBytes;
    int moveTicks = 0;
    for (size_t i = 0; i < moveEntries; i++) moveTicks += stage.moves[i * 2 + 1];
    out += "\n# Boss stream: " + std::to_string(moveEntries) +
           (moveEntries == 1 ? " entry" : " entries") + ", one pass " +
           FormatDelay(moveTicks) + " s\n";
    for (size_t i = 0; i < moveEntries; i++) {
        const uint8_t* e = &stage.moves[i * MoveEntryBytes];
        out += "move " + Padded(MoveCodeText(e[0]), 25) + FormatDelay(e[1]) + "\n";
    }
    if (stage.moves.size() % MoveEntryBytes) {
        out += "# The last byte does not make a whole entry; kept as it is.\n";
        out += "move-tail " + std::to_string(stage.moves.back()) + "\n";
        remarks += "the boss stream ends in 1 byte that does not make a whole 2-byte entry; "
                   "it is kept on a move-tail line\n";
    }
    if (notes) *notes = remarks;
    return out;
}

}  // namespace stagec
