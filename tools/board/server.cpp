// `grazerunner-board serve`: the board's HTTP API, its page, and the game's
// site under /play/. Every refusal is a status and {"error": why}.
#include <httplib.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "board.h"
#include "page_files.h"

namespace board {

namespace {

using nlohmann::json;

constexpr const char* Difficulties[] = {"KIDS", "STANDARD", "MASTER"};
constexpr const char* Ships[] = {"ASTER", "BRIONY", "CALLA"};

struct Board {
    ServerSettings settings;
    std::unique_ptr<Storage> storage;
    ShippedStages shipped;
    std::unique_ptr<RateLimit> rate;
    bool faults = false;
};

std::string Dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

void Answer(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(Dump(body), "application/json");
}

void Refuse(httplib::Response& res, int status, const std::string& why) { Answer(res, status, json{{"error", why}}); }

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc = {};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

json EntryJson(const Entry& entry) {
    return json{{"id", entry.id},       {"rank", entry.rank},         {"points", entry.points},
                {"stage", entry.stage}, {"combo", entry.combo},       {"ship", entry.ship},
                {"difficulty", entry.difficulty}, {"stages", entry.stages}, {"name", entry.name},
                {"date", entry.date}};
}

std::string ClientAddress(const Board& board, const httplib::Request& req) {
    if (board.settings.trustProxy && req.has_header("X-Forwarded-For")) {
        std::string hops = req.get_header_value("X-Forwarded-For");
        const size_t comma = hops.rfind(',');
        std::string last = comma == std::string::npos ? hops : hops.substr(comma + 1);
        const size_t begin = last.find_first_not_of(" \t");
        const size_t end = last.find_last_not_of(" \t");
        if (begin != std::string::npos) return last.substr(begin, end - begin + 1);
    }
    return req.remote_addr;
}

bool OneOf(const std::string& value, const char* const (&names)[3]) {
    for (const char* name : names)
        if (value == name) return true;
    return false;
}

// A whole decimal number within [least, most]; false otherwise.
bool ReadNumber(const std::string& text, int64_t least, int64_t most, int64_t* out) {
    if (text.empty() || text.size() > 18) return false;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < least || value > most) return false;
    *out = value;
    return true;
}

bool IsStageSet(const std::string& stages) {
    if (stages == "builtin") return true;
    if (stages.size() != 16) return false;
    for (char c : stages)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

void PostReplay(Board& board, const httplib::Request& req, httplib::Response& res) {
    int retryAfter = 0;
    if (!board.rate->Take(ClientAddress(board, req), &retryAfter)) {
        res.set_header("Retry-After", std::to_string(retryAfter));
        Refuse(res, 429, "too many submissions from this address: try again in " + std::to_string(retryAfter) + " s");
        return;
    }
    const std::string type = req.get_header_value("Content-Type");
    std::string givenName;
    const std::string* body = nullptr;
    if (req.is_multipart_form_data()) {
        if (!req.has_file("replay")) return Refuse(res, 400, "the form has no file field 'replay'");
        body = &req.files.find("replay")->second.content;
        if (req.has_file("name")) givenName = req.files.find("name")->second.content;
        else givenName = req.get_param_value("name");
    } else if (type.rfind("application/octet-stream", 0) == 0) {
        body = &req.body;
        givenName = req.get_param_value("name");
    } else {
        return Refuse(res, 415, "send the replay as application/octet-stream or multipart/form-data");
    }
    if (body->size() > board.settings.maxBytes)
        return Refuse(res, 413, "the replay is larger than the board's cap of " + std::to_string(board.settings.maxBytes) + " bytes");
    std::string why;
    const std::string name = CleanName(givenName, &why);
    if (name.empty()) return Refuse(res, 400, why);
    if (body->empty()) return Refuse(res, 400, "the request holds no replay file");

    const Bytes file(body->begin(), body->end());
    Replay replay;
    if (!ParseReplay(file.data(), file.size(), &replay, &why)) return Refuse(res, 422, why);
    if (!replay.finished) return Refuse(res, 422, "an unfinished game: it ended before its results");
    if (replay.frames > board.settings.frameBudget)
        return Refuse(res, 422, "too many frames: " + std::to_string(replay.frames) + ", past the board's budget of " +
                                    std::to_string(board.settings.frameBudget));
    const std::string playHash = PlayHashOf(replay);
    const std::string stages = StageSetOf(replay, board.shipped);
    if (const int64_t existing = board.storage->FindPlay(playHash))
        return Answer(res, 409, json{{"error", "this game is already on the board"}, {"id", existing}});

    char fault = 0;
    if (board.faults && name == "crash-worker") fault = 'C';
    if (board.faults && name == "hang-worker") fault = 'H';
    const Verdict verdict = Verify(file, fault);
    if (verdict.kind == Verdict::Failed) return Refuse(res, 500, verdict.text);
    if (verdict.kind == Verdict::Refused) return Refuse(res, 422, verdict.text);
    ScoreLine score;
    if (!ParseScoreLine(verdict.text, &score)) return Refuse(res, 422, "its result cannot be read: " + verdict.text);

    Entry entry;
    entry.name = name;
    entry.points = score.points;
    entry.stage = score.stage;
    entry.combo = score.combo;
    entry.ship = score.ship;
    entry.difficulty = score.difficulty;
    entry.stages = stages;
    entry.result = verdict.text;
    entry.date = Now();
    int64_t existing = 0;
    if (!board.storage->Insert(&entry, playHash, file, &existing))
        return Answer(res, 409, json{{"error", "this game is already on the board"}, {"id", existing}});
    json answer = EntryJson(entry);
    answer["result"] = entry.result;
    Answer(res, 201, answer);
}

void GetScores(Board& board, const httplib::Request& req, httplib::Response& res) {
    const std::string difficulty = req.get_param_value("difficulty");
    if (!OneOf(difficulty, Difficulties)) return Refuse(res, 400, "difficulty must be KIDS, STANDARD or MASTER");
    const std::string ship = req.get_param_value("ship");
    if (!ship.empty() && !OneOf(ship, Ships)) return Refuse(res, 400, "ship must be ASTER, BRIONY, CALLA or empty");
    const std::string stages = req.has_param("stages") ? req.get_param_value("stages") : "builtin";
    if (!IsStageSet(stages)) return Refuse(res, 400, "stages must be builtin or 16 hex digits");
    int64_t limit = 50, offset = 0;
    if (req.has_param("limit") && !ReadNumber(req.get_param_value("limit"), 1, 100, &limit))
        return Refuse(res, 400, "limit must be a number from 1 to 100");
    if (req.has_param("offset") && !ReadNumber(req.get_param_value("offset"), 0, 1000000000000, &offset))
        return Refuse(res, 400, "offset must be a number from 0");
    int64_t total = 0;
    const std::vector<Entry> rows = board.storage->Scores(difficulty, ship, stages, static_cast<int>(limit), offset, &total);
    json list = json::array();
    for (const Entry& row : rows) list.push_back(EntryJson(row));
    Answer(res, 200, json{{"difficulty", difficulty}, {"ship", ship}, {"stages", stages}, {"total", total}, {"rows", list}});
}

void GetBoards(Board& board, httplib::Response& res) {
    json list = json::array();
    for (const BoardCount& each : board.storage->Boards())
        list.push_back(json{{"stages", each.stages}, {"difficulty", each.difficulty}, {"entries", each.entries}});
    Answer(res, 200, json{{"boards", list}});
}

void GetReplay(Board& board, const httplib::Request& req, httplib::Response& res) {
    int64_t id = 0;
    Bytes file;
    if (!ReadNumber(req.matches[1], 1, INT64_MAX / 10, &id) || !board.storage->ReplayFile(id, &file))
        return Refuse(res, 404, "no such entry");
    res.set_header("Content-Disposition", "attachment; filename=\"grazerunner-" + std::to_string(id) + ".grr\"");
    res.set_content(std::string(file.begin(), file.end()), "application/octet-stream");
}

// Runs a handler; the database's absence is a 503, anything else thrown a 500.
template <typename Handler>
httplib::Server::Handler Guarded(Handler handler) {
    return [handler](const httplib::Request& req, httplib::Response& res) {
        try {
            handler(req, res);
        } catch (const Unavailable& failure) {
            std::fprintf(stderr, "grazerunner-board: %s\n", failure.what());
            Refuse(res, 503, "database unreachable");
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "grazerunner-board: %s\n", failure.what());
            Refuse(res, 500, "the server failed: " + std::string(failure.what()));
        }
    };
}

const char* ReasonFor(int status) {
    switch (status) {
        case 400: return "bad request";
        case 404: return "not found";
        case 405: return "method not allowed";
        case 408: return "the request took too long to arrive";
        case 413: return "the request is too large";
        case 414: return "the address is too long";
        case 415: return "unsupported content type";
        default: return "the request failed";
    }
}

void AddCors(const httplib::Request& req, httplib::Response& res) {
    if (req.path.rfind("/api/", 0) == 0 && !res.has_header("Access-Control-Allow-Origin"))
        res.set_header("Access-Control-Allow-Origin", "*");
}

}  // namespace

int Serve(const ServerSettings& settings, const std::string& program) {
    Board board;
    board.settings = settings;
    board.faults = std::getenv("GRAZERUNNER_BOARD_FAULTS") && std::string(std::getenv("GRAZERUNNER_BOARD_FAULTS")) == "1";
    std::string why;
    std::string gameData = settings.gameData;
    if (gameData.empty()) gameData = (std::filesystem::path(program).parent_path() / "data").string();
    if (!board.shipped.Load(gameData, &why)) {
        std::fprintf(stderr, "grazerunner-board: %s (give the game's data folder with --game-data)\n", why.c_str());
        return 1;
    }
    board.storage = settings.database.empty() ? OpenSqlite(settings.dataFolder, &why)
                                              : OpenPostgres(settings.database, settings.dbConnections, &why);
    if (!board.storage) {
        std::fprintf(stderr, "grazerunner-board: %s\n", why.c_str());
        return 1;
    }
    board.rate = std::make_unique<RateLimit>(settings.ratePerMinute);

    // SIGINT and SIGTERM end the server through a thread of its own; the
    // workers started later unblock them again.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    PoolSettings pool;
    pool.program = program;
    pool.workers = settings.workers > 0 ? settings.workers : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    pool.frameBudget = settings.frameBudget;
    pool.timeLimitSeconds = settings.timeLimitSeconds;
    StartPool(pool);

    httplib::Server server;
    const int threads = settings.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    server.set_read_timeout(settings.readTimeoutSeconds, 0);
    server.set_write_timeout(settings.readTimeoutSeconds, 0);
    server.set_keep_alive_max_count(100);
    // The body's cap: the file, and room for a form's fields around it.
    server.set_payload_max_length(settings.maxBytes + 16 * 1024);

    server.set_pre_routing_handler([&](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/play/board.json" && (!settings.site.empty())) {
            Answer(res, 200, json{{"board", "/"}});
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_post_routing_handler(AddCors);
    server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        AddCors(req, res);
        if (res.body.empty()) Refuse(res, res.status, ReasonFor(res.status));
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        Refuse(res, 500, "the server failed");
    });

    server.Post("/api/replays", Guarded([&](const httplib::Request& req, httplib::Response& res) { PostReplay(board, req, res); }));
    server.Get("/api/scores", Guarded([&](const httplib::Request& req, httplib::Response& res) { GetScores(board, req, res); }));
    server.Get("/api/boards", Guarded([&](const httplib::Request&, httplib::Response& res) { GetBoards(board, res); }));
    server.Get(R"(/api/replays/(\d{1,18}))",
               Guarded([&](const httplib::Request& req, httplib::Response& res) { GetReplay(board, req, res); }));
    server.Get("/api/config", [&](const httplib::Request&, httplib::Response& res) {
        const std::string site = !settings.siteUrl.empty() ? settings.siteUrl : !settings.site.empty() ? "/play/" : "";
        Answer(res, 200, json{{"site", site}, {"maxBytes", settings.maxBytes}, {"nameMax", NameMax}});
    });
    server.Options(R"(/api/.*)", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Access-Control-Allow-Methods", "GET, POST, OPTIONS");
        res.set_header("Access-Control-Allow-Headers", "Content-Type");
        res.set_header("Access-Control-Max-Age", "86400");
        res.status = 204;
    });
    server.Get("/healthz", [&](const httplib::Request&, httplib::Response& res) {
        if (board.storage->Healthy())
            Answer(res, 200, json{{"ok", true}});
        else
            Answer(res, 503, json{{"ok", false}, {"error", "database unreachable"}});
    });
    for (size_t i = 0; i < PageFileCount; i++) {
        const PageFile& page = PageFiles[i];
        auto serve = [&page](const httplib::Request&, httplib::Response& res) {
            res.set_content(reinterpret_cast<const char*>(page.bytes), page.size, page.type);
        };
        server.Get(page.path, serve);
        if (std::string(page.path) == "/index.html") server.Get("/", serve);
    }
    if (!settings.site.empty()) {
        if (!server.set_mount_point("/play/", settings.site)) {
            std::fprintf(stderr, "grazerunner-board: the site folder %s cannot be served\n", settings.site.c_str());
            return 1;
        }
        server.Get("/play", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/play/"); });
    }
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.path.c_str(), res.status);
    });

    const int port = settings.port == 0 ? server.bind_to_any_port(settings.host)
                                        : (server.bind_to_port(settings.host, settings.port) ? settings.port : -1);
    if (port < 0) {
        std::fprintf(stderr, "grazerunner-board: cannot listen on %s:%d\n", settings.host.c_str(), settings.port);
        StopPool();
        return 1;
    }
    std::printf("grazerunner-board: listening on http://%s:%d/\n", settings.host.c_str(), port);
    std::fflush(stdout);
    std::thread stopper([&server, stopping] {
        int signal = 0;
        sigwait(&stopping, &signal);
        server.stop();
    });
    stopper.detach();
    server.listen_after_bind();
    StopPool();
    return 0;
}

}  // namespace board
