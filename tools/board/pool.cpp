// The verifying workers: `grazerunner-board worker` processes, one game at
// a time each, talked to over two pipes. A request waits for a free worker;
// a worker that dies or runs past the time limit is killed, waited for and
// started again, and its request fails.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>

#include "board.h"

namespace board {

namespace {

struct Worker {
    pid_t pid = 0;
    int to = -1, from = -1;  // its standard input and output
    bool busy = false;
};

struct Pool {
    PoolSettings settings;
    std::vector<Worker> workers;
    std::mutex mutex;
    std::condition_variable freed;
} ThePool;

void Close(Worker* worker) {
    if (worker->pid > 0) {
        kill(worker->pid, SIGKILL);
        waitpid(worker->pid, nullptr, 0);
    }
    if (worker->to >= 0) close(worker->to);
    if (worker->from >= 0) close(worker->from);
    worker->pid = 0;
    worker->to = worker->from = -1;
}

bool Start(Worker* worker) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    const std::string budget = std::to_string(ThePool.settings.frameBudget);
    const std::string& program = ThePool.settings.program;
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("worker"), const_cast<char*>(budget.c_str()), nullptr};
    const pid_t parent = getpid();
    sigset_t none;
    sigemptyset(&none);
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls safe between fork and exec here.
        sigprocmask(SIG_SETMASK, &none, nullptr);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(1);
        dup2(in[0], 0);
        dup2(out[1], 1);
        execv(program.c_str(), argv);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        return false;
    }
    worker->pid = pid;
    worker->to = in[1];
    worker->from = out[0];
    return true;
}

bool WriteAll(int fd, const void* bytes, size_t size) {
    const auto* at = static_cast<const uint8_t*>(bytes);
    while (size > 0) {
        const ssize_t put = write(fd, at, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        at += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

// One line from the worker, within the deadline. 1 read, 0 the worker
// closed it (died), -1 out of time.
int ReadLine(int fd, std::chrono::steady_clock::time_point deadline, std::string* line) {
    line->clear();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return -1;
        pollfd wait = {fd, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) return 0;
        if (ready <= 0) continue;
        char buffer[512];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 0;
        line->append(buffer, static_cast<size_t>(got));
        const size_t end = line->find('\n');
        if (end != std::string::npos) {
            line->resize(end);
            return 1;
        }
        if (line->size() > 4096) return 0;
    }
}

std::string HowItEnded(Worker* worker) {
    int status = 0;
    const pid_t pid = worker->pid;
    // The worker closed its output: it is ending, or has.
    for (int tries = 0; tries < 50; tries++) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            worker->pid = 0;
            if (WIFSIGNALED(status)) return "crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
            return "ended with status " + std::to_string(WEXITSTATUS(status));
        }
        usleep(10000);
    }
    return "stopped answering";
}

}  // namespace

void StartPool(const PoolSettings& settings) {
    signal(SIGPIPE, SIG_IGN);
    ThePool.settings = settings;
    ThePool.workers.assign(static_cast<size_t>(std::max(1, settings.workers)), Worker{});
    for (Worker& worker : ThePool.workers) Start(&worker);
}

void StopPool() {
    std::lock_guard<std::mutex> lock(ThePool.mutex);
    for (Worker& worker : ThePool.workers) Close(&worker);
}

Verdict Verify(const Bytes& replay, char fault) {
    Worker* worker = nullptr;
    {
        std::unique_lock<std::mutex> lock(ThePool.mutex);
        for (;;) {
            for (Worker& each : ThePool.workers)
                if (!each.busy) {
                    worker = &each;
                    break;
                }
            if (worker) break;
            ThePool.freed.wait(lock);
        }
        worker->busy = true;
    }
    Verdict verdict;
    if (worker->pid <= 0 && !Start(worker)) {
        verdict.text = "no worker could be started to verify it";
    } else {
        const uint32_t size = static_cast<uint32_t>(replay.size());
        const uint8_t head[5] = {static_cast<uint8_t>(fault ? fault : 'V'), static_cast<uint8_t>(size),
                                 static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size >> 16),
                                 static_cast<uint8_t>(size >> 24)};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(ThePool.settings.timeLimitSeconds);
        std::string line;
        const int read = WriteAll(worker->to, head, sizeof head) && WriteAll(worker->to, replay.data(), replay.size())
                             ? ReadLine(worker->from, deadline, &line)
                             : 0;
        if (read == 1 && line.size() >= 2 && (line[0] == 'V' || line[0] == 'R') && line[1] == ' ') {
            verdict.kind = line[0] == 'V' ? Verdict::Verified : Verdict::Refused;
            verdict.text = line.substr(2);
        } else {
            verdict.text = read < 0 ? "the verifying worker ran past the time limit of " +
                                          std::to_string(ThePool.settings.timeLimitSeconds) + " s and was stopped"
                                    : "the verifying worker " + HowItEnded(worker);
            Close(worker);
            Start(worker);
        }
    }
    {
        std::lock_guard<std::mutex> lock(ThePool.mutex);
        worker->busy = false;
    }
    ThePool.freed.notify_one();
    return verdict;
}

}  // namespace board
