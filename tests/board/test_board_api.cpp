// The score board through its API: the real server, started on a free port
// with SQLite in a scratch folder, or with PostgreSQL (a database of this
// test's own) when GRAZERUNNER_BOARD_TEST_DATABASE gives an address. The
// replays are the corpus's real games.
#include <gtest/gtest.h>
#include <httplib.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "replay.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Bytes = std::string;

Bytes Corpus(const std::string& name) {
    std::ifstream in(std::string(GRAZE_SOURCE_DIR) + "/tests/replays/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Get32(const Bytes& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; i--) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// The file with one chunk's payload changed and its CRC made right again, so
// that only playing it can tell.
template <typename Edit>
Bytes EditChunk(const Bytes& file, const std::string& id, Edit edit) {
    Bytes out = file.substr(0, 12);
    for (size_t at = 12; at + 8 <= file.size();) {
        const uint32_t length = Get32(file, at + 4);
        std::string chunk = file.substr(at, 8 + length);
        std::string payload = chunk.substr(8);
        if (chunk.substr(0, 4) == id) edit(payload);
        std::string whole = chunk.substr(0, 4);
        for (int i = 0; i < 4; i++) whole += static_cast<char>(payload.size() >> (8 * i));
        whole += payload;
        const uint32_t crc = Crc32(reinterpret_cast<const uint8_t*>(whole.data()), 4, 0);
        const uint32_t all = Crc32(reinterpret_cast<const uint8_t*>(payload.data()), payload.size(), crc);
        for (int i = 0; i < 4; i++) whole += static_cast<char>(all >> (8 * i));
        out += whole;
        at += 8 + length + 4;
    }
    return out;
}

// A board server of its own for a test, stopped at its end.
class BoardServer {
public:
    explicit BoardServer(std::vector<std::string> options, bool faults = false) {
        folder_ = fs::temp_directory_path() / ("board-test-" + std::to_string(getpid()) + "-" + std::to_string(serial_++));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::vector<std::string> args = {GRAZE_BOARD_PROGRAM, "serve", "--listen", "127.0.0.1:0", "--data",
                                         (folder_ / "data").string(), "--workers", "2"};
        if (const char* address = std::getenv("GRAZERUNNER_BOARD_TEST_DATABASE")) {
            database_ = OwnDatabase(address);
            args.insert(args.end(), {"--database", database_});
        }
        args.insert(args.end(), options.begin(), options.end());
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            if (faults) setenv("GRAZERUNNER_BOARD_FAULTS", "1", 1);
            std::vector<char*> argv;
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        // "grazerunner-board: listening on http://127.0.0.1:PORT/"
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        const size_t colon = line.rfind(':');
        EXPECT_NE(colon, std::string::npos) << line;
        port_ = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
    }
    ~BoardServer() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        fs::remove_all(folder_);
        if (!dbName_.empty()) Admin("DROP DATABASE IF EXISTS " + dbName_ + " WITH (FORCE)");
    }

    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(60);
        return client;
    }
    // POST /api/replays?name=NAME with the file as its body: status and JSON.
    std::pair<int, json> Submit(const Bytes& file, const std::string& name, const char* type = "application/octet-stream") {
        const auto res = Client().Post(("/api/replays?name=" + httplib::detail::encode_query_param(name)).c_str(), file, type);
        if (!res) return {0, json()};
        return {res->status, json::parse(res->body, nullptr, false)};
    }
    json Get(const std::string& path) {
        const auto res = Client().Get(path.c_str());
        return res ? json::parse(res->body, nullptr, false) : json();
    }

private:
    // A database of this server's own on the PostgreSQL given, so that tests
    // running at once do not meet.
    std::string OwnDatabase(const std::string& address) {
        admin_ = address;
        const std::string name = "board_test_" + std::to_string(getpid()) + "_" + std::to_string(serial_);
        Admin("CREATE DATABASE " + name);
        dbName_ = name;
        const size_t slash = address.find('/', address.find("://") + 3);
        return (slash == std::string::npos ? address : address.substr(0, slash)) + "/" + name;
    }
    void Admin(const std::string& sql) {
        PGconn* connection = PQconnectdb(admin_.c_str());
        PGresult* result = PQexec(connection, sql.c_str());
        EXPECT_EQ(PQresultStatus(result), PGRES_COMMAND_OK) << PQerrorMessage(connection);
        PQclear(result);
        PQfinish(connection);
    }

    static inline int serial_ = 0;
    fs::path folder_;
    std::string database_, admin_, dbName_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// The general server: a frame budget under the longest corpus game.
std::vector<std::string> Options() { return {"--frame-budget", "21000", "--rate", "1000/MINUTE"}; }

TEST(BoardApi, ARealReplayGoesOnTheBoardWithItsTrueResultAndTwiceIs409) {
    BoardServer board(Options());
    const Bytes file = Corpus("kids_aster_won.grr");
    auto [status, entry] = board.Submit(file, "  Ann Ü名  ");
    ASSERT_EQ(status, 201) << entry;
    EXPECT_EQ(entry["result"], "STAGE 4 MAXCOMBO 10290 POINT 50242798 N:ASTER M:KIDS");
    EXPECT_EQ(std::tuple(entry["points"], entry["stage"], entry["combo"], entry["ship"], entry["difficulty"], entry["stages"],
                         entry["name"], entry["rank"]),
              std::tuple(json(50242798), json(4), json(10290), json("ASTER"), json("KIDS"), json("builtin"), json("Ann Ü名"), json(1)));
    const auto kept = board.Client().Get(("/api/replays/" + entry["id"].dump()).c_str());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->body, file);
    EXPECT_EQ(kept->get_header_value("Content-Disposition"), "attachment; filename=\"grazerunner-" + entry["id"].dump() + ".grr\"");
    EXPECT_EQ(kept->get_header_value("Access-Control-Allow-Origin"), "*");

    auto [again, said] = board.Submit(file, "Bob");
    EXPECT_EQ(again, 409);
    EXPECT_EQ(said["id"], entry["id"]);
    // The same play with another INFO text is the same game.
    auto [retold, retoldSaid] = board.Submit(EditChunk(file, "INFO", [](std::string& text) { text += "\n"; }), "Bob");
    EXPECT_EQ(retold, 409) << retoldSaid;

    // A form with the file and the name.
    httplib::MultipartFormDataItems form = {{"replay", Corpus("kids_briony_pad.grr"), "x.grr", "application/octet-stream"},
                                            {"name", "Cy", "", ""}};
    const auto posted = board.Client().Post("/api/replays", form);
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 201) << posted->body;
    EXPECT_EQ(json::parse(posted->body)["name"], "Cy");
    EXPECT_EQ(board.Client().Get("/api/replays/999")->status, 404);
}

TEST(BoardApi, FilesThatDoNotVerifyAndBadRequestsAreRefusedWithWhy) {
    BoardServer board(Options());
    const Bytes file = Corpus("standard_calla_lost.grr");
    auto expect = [&](const Bytes& bytes, const std::string& name, int status, const std::string& why, const char* type =
                                                                                                          "application/octet-stream") {
        auto [got, said] = board.Submit(bytes, name, type);
        EXPECT_EQ(got, status) << said;
        EXPECT_NE(said.value("error", "").find(why), std::string::npos) << said << " lacks " << why;
    };
    expect(EditChunk(file, "INFO",
                     [](std::string& text) { text.replace(text.find("POINT 91632"), 11, "POINT 91633"); }),
           "Eve", 422, "ends with another result");
    expect(EditChunk(file, "INPT", [](std::string& input) { input[input.size() / 2] ^= 0x5a; }), "Eve", 422, " frame ");
    expect(file.substr(0, file.size() - 40), "Eve", 422, "cut short");
    expect(Corpus("kids_calla_escape.grr"), "Eve", 422, "unfinished");
    expect(EditChunk(Corpus("kids_calla_escape.grr"), "INFO",
                     [](std::string& text) { text.replace(text.find("finished=0"), 10, "finished=1"); }),
           "Eve", 422, "unfinished");
    expect(Corpus("master_aster_won.grr"), "Eve", 422, "too many frames");
    expect("random bytes, not a replay at all", "Eve", 422, "not a replay");
    expect("", "Eve", 400, "no replay");
    expect(Bytes(1024 * 1024 + 1, 'x'), "Eve", 413, "cap");
    expect(file, "Eve", 415, "octet-stream", "text/plain");
    expect(file, "", 400, "1 to 16");
    expect(file, "seventeen chars!!", 400, "1 to 16");
    expect(file, "tab\there", 400, "control");
    expect(file, "bad \xff", 400, "UTF-8");
    // Nothing of these reached the board.
    EXPECT_EQ(board.Get("/api/scores?difficulty=STANDARD")["total"], 0);
    for (const char* query : {"", "?difficulty=EASY", "?difficulty=KIDS&limit=0", "?difficulty=KIDS&limit=101",
                              "?difficulty=KIDS&offset=-1", "?difficulty=KIDS&ship=DAISY", "?difficulty=KIDS&stages=../x"})
        EXPECT_EQ(board.Client().Get((std::string("/api/scores") + query).c_str())->status, 400) << query;
}

TEST(BoardApi, BoardsAreRankedByPointsThenStageAndPaged) {
    BoardServer board(Options());
    for (const char* name : {"standard_calla_lost", "standard_aster_skip", "standard_briony_background"}) {
        auto [status, entry] = board.Submit(Corpus(name + std::string(".grr")), std::string(name).substr(9, 10));
        ASSERT_EQ(status, 201) << entry;
        EXPECT_EQ(entry["rank"], 1) << name;  // each scored more than those before
    }
    const json page = board.Get("/api/scores?difficulty=STANDARD&limit=2&offset=1");
    EXPECT_EQ(page["total"], 3);
    ASSERT_EQ(page["rows"].size(), 2u);
    EXPECT_EQ(std::tuple(page["rows"][0]["rank"], page["rows"][0]["points"], page["rows"][1]["rank"], page["rows"][1]["points"]),
              std::tuple(json(2), json(3703699), json(3), json(91632)));
    const json calla = board.Get("/api/scores?difficulty=STANDARD&ship=CALLA");
    EXPECT_EQ(std::tuple(calla["total"], calla["rows"][0]["rank"], calla["rows"][0]["name"]),
              std::tuple(json(1), json(1), json("calla_lost")));
    EXPECT_EQ(board.Get("/api/scores?difficulty=KIDS")["total"], 0);
    EXPECT_EQ(board.Get("/api/boards")["boards"], json::parse(R"([{"stages":"builtin","difficulty":"STANDARD","entries":3}])"));
}

// A board whose game ships other stage files: the corpus's games were played
// on another stage set, and go on a board of their own, named by its hash.
TEST(BoardApi, AModdersStageSetGetsItsOwnBoard) {
    const fs::path shipped = fs::temp_directory_path() / ("board-test-shipped-" + std::to_string(getpid()));
    fs::remove_all(shipped);
    fs::copy(GRAZE_DATA_DIR, shipped);
    std::ofstream(shipped / "stage0.da1", std::ios::app) << "\n";
    std::vector<std::string> options = Options();
    options.insert(options.end(), {"--game-data", shipped.string()});
    BoardServer board(options);
    auto [status, entry] = board.Submit(Corpus("kids_aster_won.grr"), "Mod");
    ASSERT_EQ(status, 201) << entry;
    const std::string stages = entry["stages"];
    EXPECT_EQ(stages.size(), 16u);
    EXPECT_EQ(board.Get("/api/scores?difficulty=KIDS")["total"], 0);
    EXPECT_EQ(board.Get("/api/scores?difficulty=KIDS&stages=" + stages)["rows"][0]["name"], "Mod");
    EXPECT_EQ(board.Get("/api/boards")["boards"][0]["stages"], stages);
    fs::remove_all(shipped);
}

TEST(BoardApi, AWorkerThatCrashesOrHangsIs500AndTheNextReplayVerifies) {
    std::vector<std::string> options = Options();
    options.insert(options.end(), {"--workers", "1", "--time-limit", "2"});
    BoardServer board(options, true);
    auto [crashed, crashSaid] = board.Submit(Corpus("kids_aster_won.grr"), "crash-worker");
    EXPECT_EQ(crashed, 500) << crashSaid;
    EXPECT_NE(crashSaid.value("error", "").find("crashed"), std::string::npos) << crashSaid;
    auto [hung, hangSaid] = board.Submit(Corpus("kids_aster_won.grr"), "hang-worker");
    EXPECT_EQ(hung, 500) << hangSaid;
    EXPECT_NE(hangSaid.value("error", "").find("time limit"), std::string::npos) << hangSaid;
    auto [status, entry] = board.Submit(Corpus("kids_aster_won.grr"), "Ann");
    EXPECT_EQ(status, 201) << entry;
}

TEST(BoardApi, SubmissionsPastTheRatePerAddressAre429) {
    BoardServer board({"--rate", "2/MINUTE"});
    EXPECT_EQ(board.Submit("x", "A").first, 422);
    EXPECT_EQ(board.Submit("x", "A").first, 422);
    const auto res = board.Client().Post("/api/replays?name=A", "x", "application/octet-stream");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 429);
    EXPECT_GE(std::atoi(res->get_header_value("Retry-After").c_str()), 1);
    EXPECT_EQ(board.Get("/healthz")["ok"], true);  // reading is not limited
}

TEST(BoardApi, ThePageConfigHealthAndCorsAreAnswered) {
    BoardServer board({"--site-url", "https://play.example/"});
    const auto page = board.Client().Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<table"), std::string::npos);
    EXPECT_EQ(board.Get("/api/config"), json::parse(R"({"site":"https://play.example/","maxBytes":1048576,"nameMax":16})"));
    const auto options = board.Client().Options("/api/replays");
    ASSERT_TRUE(options);
    EXPECT_EQ(std::tuple(options->status, options->get_header_value("Access-Control-Allow-Origin")), std::tuple(204, "*"));
    EXPECT_EQ(board.Get("/healthz"), json::parse(R"({"ok":true})"));
}

}  // namespace
