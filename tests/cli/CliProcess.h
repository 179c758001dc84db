#pragma once

// Runs the real velmor-cli binary and collects what it prints and how it
// ends; standard error can be a pseudo-terminal, and the test can send
// SIGINT once the output so far satisfies a condition.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef VELMOR_CLI_PATH
#error "VELMOR_CLI_PATH must name the velmor-cli binary"
#endif

namespace velmor::testing {

struct CliResult {
    bool exited = false;   // ended by exit(), not by a signal
    int status = -1;       // the exit status when `exited`
    int signal = 0;        // the signal that ended it otherwise
    bool timedOut = false; // killed by the runner
    int interruptsSent = 0;
    std::string out;
    std::string err;
};

struct CliRunOptions {
    bool terminal = false;       // standard error is a pseudo-terminal
    // Asked after every read; returns how many SIGINTs to send now (0: none).
    std::function<int(const std::string& out, const std::string& err)> interrupt;
    std::chrono::seconds timeout{60};
};

inline CliResult runCli(const std::vector<std::string>& arguments, const CliRunOptions& options = {})
{
    CliResult result;
    int outPipe[2];
    int errPipe[2] = {-1, -1};
    if (::pipe(outPipe) != 0)
        return result;
    if (options.terminal) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return result;
        const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        if (slave < 0)
            return result;
        errPipe[0] = master;
        errPipe[1] = slave;
    } else if (::pipe(errPipe) != 0) {
        return result;
    }

    std::vector<char*> argv;
    std::string program = VELMOR_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        ::close(errPipe[0]);
        ::close(errPipe[1]);
        // A fixed number format, whatever the machine's locale.
        ::setenv("LC_ALL", "C", 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);

    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    bool open[2] = {true, true};
    std::string* sinks[2] = {&result.out, &result.err};
    while (open[0] || open[1]) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            result.timedOut = true;
            break;
        }
        for (int i = 0; i < 2; ++i)
            fds[i].fd = open[i] ? (i == 0 ? outPipe[0] : errPipe[0]) : -1;
        if (::poll(fds, 2, 50) < 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (!open[i] || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) // a pseudo-terminal gives EIO once the child has gone
                open[i] = false;
            else
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
        }
        if (options.interrupt) {
            for (int n = options.interrupt(result.out, result.err); n > 0; --n) {
                ::kill(child, SIGINT);
                ++result.interruptsSent;
            }
        }
    }
    ::close(outPipe[0]);
    ::close(errPipe[0]);

    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status)) {
        result.exited = true;
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace velmor::testing
