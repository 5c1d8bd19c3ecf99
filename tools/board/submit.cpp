// `grazerunner-board submit FILE --to ADDRESS --name NAME`: sends a replay
// to a board, prints its answer; exit status 0 on 201.
#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "board.h"

namespace board {

int Submit(const std::string& file, const std::string& address, const std::string& name) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "grazerunner-board: cannot read %s\n", file.c_str());
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // ADDRESS: http://host:port/ with any path the board lives under.
    std::string base = address, path;
    const size_t scheme = base.find("://");
    const size_t slash = base.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (slash != std::string::npos) {
        path = base.substr(slash);
        base.resize(slash);
    }
    if (path.empty() || path.back() != '/') path += '/';
    httplib::Client client(base);
    client.set_connection_timeout(10);
    client.set_read_timeout(120);
    client.set_write_timeout(60);
    const auto answer = client.Post((path + "api/replays?name=" + httplib::detail::encode_query_param(name)).c_str(), bytes,
                                    "application/octet-stream");
    if (!answer) {
        std::fprintf(stderr, "grazerunner-board: no answer from %s (%s)\n", address.c_str(), httplib::to_string(answer.error()).c_str());
        return 1;
    }
    std::printf("%d %s\n", answer->status, answer->body.c_str());
    return answer->status == 201 ? 0 : 1;
}

}  // namespace board
