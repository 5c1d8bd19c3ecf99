// grazerunner-board: the verified score board.
//   grazerunner-board serve [--listen HOST:PORT] [--data DIR] [--database postgresql://…] …
//   grazerunner-board submit FILE --to ADDRESS --name NAME
//   grazerunner-board worker BUDGET   (started by serve itself)
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board.h"

namespace {

constexpr const char* Usage =
    "usage: grazerunner-board serve [options]\n"
    "       grazerunner-board submit FILE --to ADDRESS --name NAME\n"
    "serve's options:\n"
    "  --listen HOST:PORT     where to answer (127.0.0.1:8080; port 0: any free port)\n"
    "  --data DIR             SQLite's board.db (write-ahead log) and its files (board-data)\n"
    "  --database ADDRESS     PostgreSQL (postgresql://user@host:port/name) instead of SQLite\n"
    "  --game-data DIR        the game's data folder, whose stage files are the built-in set\n"
    "                         (the data/ beside this program)\n"
    "  --workers N            verifying worker processes (one per core)\n"
    "  --frame-budget N       the most frames a replay may hold (216000: an hour)\n"
    "  --time-limit SECONDS   the longest one verification may run (60)\n"
    "  --max-bytes N          the largest replay file taken (1048576)\n"
    "  --rate N/MINUTE        submissions a minute per client address (10; 0: no limit)\n"
    "  --trust-proxy          the client's address is X-Forwarded-For's last hop\n"
    "  --site DIR             serve the game's site (its web build) under /play/\n"
    "  --site-url URL         the game's site is hosted at URL instead\n"
    "  --threads N            connections held at once (128)\n"
    "  --db-connections N     PostgreSQL connections of this instance (8)\n"
    "  --read-timeout SECONDS how long a request may take to arrive (10)\n";

bool Number(const char* text, long long least, long long most, long long* out) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno || !*text || *end || value < least || value > most) return false;
    *out = value;
    return true;
}

std::string ThisProgram(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return argv0;
    return std::string(path, static_cast<size_t>(length));
}

int ServeCommand(int argc, char** argv) {
    board::ServerSettings settings;
    for (int i = 2; i < argc; i++) {
        const std::string option = argv[i];
        if (option == "--trust-proxy") {
            settings.trustProxy = true;
            continue;
        }
        static const std::string Known[] = {"--listen",  "--data", "--database", "--game-data", "--workers",
                                            "--frame-budget", "--time-limit", "--max-bytes", "--rate", "--site",
                                            "--site-url", "--threads", "--db-connections", "--read-timeout"};
        if (std::find(std::begin(Known), std::end(Known), option) == std::end(Known)) {
            std::fprintf(stderr, "grazerunner-board: unknown option %s\n%s", option.c_str(), Usage);
            return 2;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "grazerunner-board: %s wants a value\n%s", option.c_str(), Usage);
            return 2;
        }
        const char* value = argv[++i];
        long long number = 0;
        bool ok = true;
        if (option == "--listen") {
            const std::string text = value;
            const size_t colon = text.rfind(':');
            ok = colon != std::string::npos && colon > 0 && Number(text.c_str() + colon + 1, 0, 65535, &number);
            settings.host = text.substr(0, colon);
            if (settings.host.size() > 2 && settings.host.front() == '[' && settings.host.back() == ']')
                settings.host = settings.host.substr(1, settings.host.size() - 2);
            settings.port = static_cast<int>(number);
        } else if (option == "--data") {
            settings.dataFolder = value;
        } else if (option == "--database") {
            settings.database = value;
        } else if (option == "--game-data") {
            settings.gameData = value;
        } else if (option == "--workers") {
            ok = Number(value, 1, 256, &number);
            settings.workers = static_cast<int>(number);
        } else if (option == "--frame-budget") {
            ok = Number(value, 1, UINT32_MAX, &number);
            settings.frameBudget = static_cast<uint32_t>(number);
        } else if (option == "--time-limit") {
            ok = Number(value, 1, 86400, &number);
            settings.timeLimitSeconds = static_cast<int>(number);
        } else if (option == "--max-bytes") {
            ok = Number(value, 1024, static_cast<long long>(MaxReplayBytes), &number);
            settings.maxBytes = static_cast<size_t>(number);
        } else if (option == "--rate") {
            std::string text = value;
            const size_t slash = text.find('/');
            if (slash != std::string::npos) {
                ok = text.substr(slash + 1) == "MINUTE" || text.substr(slash + 1) == "minute";
                text.resize(slash);
            }
            ok = ok && Number(text.c_str(), 0, 1000000, &number);
            settings.ratePerMinute = static_cast<int>(number);
        } else if (option == "--site") {
            settings.site = value;
        } else if (option == "--site-url") {
            settings.siteUrl = value;
        } else if (option == "--threads") {
            ok = Number(value, 1, 1024, &number);
            settings.threads = static_cast<int>(number);
        } else if (option == "--db-connections") {
            ok = Number(value, 1, 256, &number);
            settings.dbConnections = static_cast<int>(number);
        } else if (option == "--read-timeout") {
            ok = Number(value, 1, 3600, &number);
            settings.readTimeoutSeconds = static_cast<int>(number);
        } else {
            std::fprintf(stderr, "grazerunner-board: unknown option %s\n%s", option.c_str(), Usage);
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "grazerunner-board: %s %s is not a valid value\n", option.c_str(), value);
            return 2;
        }
    }
    return board::Serve(settings, ThisProgram(argv[0]));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "serve") return ServeCommand(argc, argv);
    if (command == "worker" && argc == 3) {
        long long budget = 0;
        if (!Number(argv[2], 1, UINT32_MAX, &budget)) return 2;
        return board::RunWorker(static_cast<uint32_t>(budget));
    }
    if (command == "submit") {
        std::string file, to, name;
        bool named = false;
        for (int i = 2; i < argc; i++) {
            const std::string word = argv[i];
            if (word == "--to" && i + 1 < argc) {
                to = argv[++i];
            } else if (word == "--name" && i + 1 < argc) {
                name = argv[++i];
                named = true;
            } else if (file.empty() && word.rfind("--", 0) != 0) {
                file = word;
            } else {
                std::fprintf(stderr, "grazerunner-board: submit: unexpected %s\n%s", word.c_str(), Usage);
                return 2;
            }
        }
        if (file.empty() || to.empty() || !named) {
            std::fprintf(stderr, "%s", Usage);
            return 2;
        }
        return board::Submit(file, to, name);
    }
    if (command == "--help" || command == "-h") {
        std::printf("%s", Usage);
        return 0;
    }
    std::fprintf(stderr, "%s", Usage);
    return 2;
}
