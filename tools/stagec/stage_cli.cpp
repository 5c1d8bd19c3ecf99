// The command line of grazerunner-stagec.
#include <cstdio>
#include <filesystem>
#include <string>

#include "pattern_tables.h"
#include "stagec.h"

namespace stagec {

namespace fs = std::filesystem;

namespace {

constexpr const char* HelpText =
    "grazerunner-stagec: the stage compiler of Graze Runner: Zero Gravity\n"
    "\n"
    "Usage:\n"
    "  grazerunner-stagec compile SRC.txt OUT\n"
    "      Compile one stage source. OUT is a folder (writes OUT/NAME.da1 and\n"
    "      OUT/NAME.da2, NAME from SRC) or a prefix (writes OUT.da1 and OUT.da2).\n"
    "      The boss's hit points go to bshp.dat, which only 'build' writes.\n"
    "  grazerunner-stagec build STAGES_DIR DATA_DIR\n"
    "      Compile stage0.txt .. stageN.txt of STAGES_DIR and write stageK.da1,\n"
    "      stageK.da2, bshp.dat and stageno.txt into DATA_DIR. Nothing is\n"
    "      written unless every stage compiles.\n"
    "  grazerunner-stagec decompile N DATA_DIR [-o OUT.txt]\n"
    "      Write stage N of a data folder (stageN.da1, stageN.da2 and byte N\n"
    "      of bshp.dat) back as a stage source, to stdout or OUT.txt.\n"
    "  grazerunner-stagec check SRC.txt...\n"
    "      Compile without writing anything; report the first error of each.\n"
    "  grazerunner-stagec estimate SRC.txt...\n"
    "      Seconds each character needs to beat the boss in STANDARD when\n"
    "      always under it and never dodging (a guide for boss-hp).\n"
    "  grazerunner-stagec codes\n"
    "      List every code name with what it does.\n"
    "  grazerunner-stagec --help\n"
    "\n"
    "The text form is described in stages/README.md.\n"
    "Exit status: 0 done, 1 a file was refused or could not be read or\n"
    "written, 2 the command line was wrong.\n";

int Usage(const std::string& message) {
    std::fprintf(stderr, "grazerunner-stagec: %s\n(try grazerunner-stagec --help)\n",
                 message.c_str());
    return 2;
}

int Refuse(const std::string& message) {
    std::fprintf(stderr, "grazerunner-stagec: %s\n", message.c_str());
    return 1;
}

std::string Summary(const StageData& s) {
    int shotTicks = 0, moveTicks = 0;
    for (size_t i = 2; i < s.shots.size(); i += ShotEntryBytes) shotTicks += s.shots[i];
    for (size_t i = 1; i < s.moves.size(); i += MoveEntryBytes) moveTicks += s.moves[i];
    const size_t shots = s.shots.size() / ShotEntryBytes;
    const size_t moves = s.moves.size() / MoveEntryBytes;
    return std::to_string(shots) + (shots == 1 ? " shot entry" : " shot entries") +
           " (one pass " + FormatDelay(shotTicks) + " s), " + std::to_string(moves) +
           (moves == 1 ? " boss move" : " boss moves") + " (one pass " + FormatDelay(moveTicks) +
           " s), boss-hp " + std::to_string(s.bossHpByte * BossHpUnit);
}

int Compile(int argc, char** argv) {
    if (argc != 4) return Usage("compile takes a source and an output: compile SRC.txt OUT");
    const std::string source = argv[2];
    std::string out = argv[3];
    StageData stage;
    std::string error;
    if (!CompileStageFile(source, &stage, &error)) return Refuse(error);
    std::error_code ec;
    if (fs::is_directory(out, ec) || (!out.empty() && out.back() == '/')) {
        out = (fs::path(out) / fs::path(source).stem()).string();
    }
    const std::string shots(stage.shots.begin(), stage.shots.end());
    const std::string moves(stage.moves.begin(), stage.moves.end());
    if (!WriteWholeFile(out + ".da1", shots, &error)) return Refuse(error);
    if (!WriteWholeFile(out + ".da2", moves, &error)) return Refuse(error);
    std::printf("%s: %s\n", source.c_str(), Summary(stage).c_str());
    return 0;
}

int Build(int argc, char** argv) {
    if (argc != 4) return Usage("build takes two folders: build STAGES_DIR DATA_DIR");
    int count = 0;
    std::string error;
    if (!BuildStages(argv[2], argv[3], &count, &error)) return Refuse(error);
    std::printf("grazerunner-stagec: %d stage(s) written to %s\n", count, argv[3]);
    return 0;
}

int Decompile(int argc, char** argv) {
    if (argc != 4 && argc != 6) {
        return Usage("decompile takes a stage number and a folder: decompile N DATA_DIR [-o OUT.txt]");
    }
    const std::string number = argv[2];
    if (number.empty() || number.size() > 2 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        return Usage("stage number '" + number + "' is not a number from 0 to 99");
    }
    std::string outPath;
    if (argc == 6) {
        if (std::string(argv[4]) != "-o") return Usage(std::string("unknown option ") + argv[4]);
        outPath = argv[5];
    }
    const int stageNo = std::stoi(number);
    StageData stage;
    std::string error;
    if (!LoadStageData(stageNo, argv[3], &stage, &error)) return Refuse(error);
    std::string notes;
    const std::string text = "# Stage " + number + ", decompiled from " + argv[3] + "\n" +
                             DecompileStage(stage, &notes);
    size_t start = 0;
    while (start < notes.size()) {
        const size_t end = notes.find('\n', start);
        std::fprintf(stderr, "grazerunner-stagec: note: stage %s: %s\n", number.c_str(),
                     notes.substr(start, end - start).c_str());
        start = end + 1;
    }
    if (outPath.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else if (!WriteWholeFile(outPath, text, &error)) {
        return Refuse(error);
    }
    return 0;
}

int Check(int argc, char** argv) {
    if (argc < 3) return Usage("check takes one or more sources: check SRC.txt...");
    int status = 0;
    for (int i = 2; i < argc; i++) {
        StageData stage;
        std::string error;
        if (CompileStageFile(argv[i], &stage, &error)) {
            std::printf("%s: ok, %s\n", argv[i], Summary(stage).c_str());
        } else {
            std::fprintf(stderr, "%s\n", error.c_str());
            status = 1;
        }
    }
    return status;
}

int Estimate(int argc, char** argv) {
    if (argc < 3) return Usage("estimate takes one or more sources: estimate SRC.txt...");
    int status = 0;
    std::printf("%-28s %8s %10s %10s %10s\n", "stage", "boss-hp", "char 0", "char 1", "char 2");
    for (int i = 2; i < argc; i++) {
        StageData stage;
        std::string error;
        if (!CompileStageFile(argv[i], &stage, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            status = 1;
            continue;
        }
        std::printf("%-28s %8d", fs::path(argv[i]).filename().string().c_str(),
                    stage.bossHpByte * BossHpUnit);
        for (int c = 0; c < 3; c++) {
            const double seconds = EstimateBossSeconds(stage, c, 900.0);
            if (seconds < 0) {
                std::printf(" %10s", ">900 s");
            } else {
                std::printf(" %8.1f s", seconds);
            }
        }
        std::printf("\n");
    }
    return status;
}

int Codes() {
    // The code ranges of the three families, as the game's tables have them.
    const std::string titles[3] = {
        "Shot lines, depth shots (codes 1-" + std::to_string(DepthPatternCount - 1) + "; 0 is 'none')",
        "Shot lines, flat shots (codes " + std::to_string(FlatPatternFirst) + "-" + std::to_string(FlatPatternLast) + ")",
        "Move lines, boss moves (codes 0-" + std::to_string(BossCodeCount - 1) + ")",
    };
    for (int f = 0; f < 3; f++) {
        std::printf("%s%s:\n", f ? "\n" : "", titles[f].c_str());
        for (int code = 0; code < 256; code++) {
            const char* name = CodeName(static_cast<CodeFamily>(f), code);
            if (name) {
                std::printf("  %3d  %-26s %s\n", code, name,
                            CodeDescription(static_cast<CodeFamily>(f), code).c_str());
            }
        }
    }
    return 0;
}

}  // namespace

int RunStagec(int argc, char** argv) {
    if (argc < 2) return Usage("no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (command == "compile") return Compile(argc, argv);
    if (command == "build") return Build(argc, argv);
    if (command == "decompile") return Decompile(argc, argv);
    if (command == "check") return Check(argc, argv);
    if (command == "estimate") return Estimate(argc, argv);
    if (command == "codes") return Codes();
    return Usage("unknown command '" + command + "'");
}

}  // namespace stagec
