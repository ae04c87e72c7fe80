// Starting and reaping helper processes.
#include "tests/support/process.h"

#include "tests/support/polling.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

pid_t launch(const Launch& what)
{
    std::vector<std::string> words = what.argv;
    std::vector<char*> args;
    for (std::string& word : words) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        if (what.display) {
            if (what.display->empty()) {
                unsetenv("DISPLAY");
            } else {
                setenv("DISPLAY", what.display->c_str(), 1);
            }
        }
        if (!what.keepPreload) {
            unsetenv("LD_PRELOAD");
        }
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(what.standardOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(what.standardError.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(126);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto ended = [pid]() -> std::optional<int> {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != pid) {
            return std::nullopt;
        }
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    };
    return pollUntil(ended, [](const std::optional<int>& status) { return status.has_value(); }, timeout, 2ms).last;
}

void stop(pid_t pid, int signal)
{
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
}

int runTool(const Launch& what)
{
    const pid_t pid = launch(what);
    const std::optional<int> status = waitForExit(pid, 20s);
    if (!status) {
        stop(pid, SIGKILL);
    }
    return status.value_or(-1);
}

std::string makeTempDirectory(const std::string& prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string directory = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
    if (mkdtemp(directory.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    return directory;
}
