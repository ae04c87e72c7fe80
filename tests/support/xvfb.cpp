// Starting and stopping a private Xvfb server.
#include "tests/support/xvfb.h"

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

XvfbServer::XvfbServer(int screenWidth, int screenHeight)
{
    int fds[2];
    if (pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const std::string screen = std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24";
    const std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        close(fds[0]);
        // A sanitizer run may preload its runtime into the tests; the server
        // is not ours to check.
        unsetenv("LD_PRELOAD");
        // Keep the server's chatter out of the test's output.
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            close(devNull);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);

    // The server writes its display number to the pipe once it is ready.
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 20000) > 0) {
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n') {
            break;
        }
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    }
    display_ = ":" + number;
}

XvfbServer::~XvfbServer()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}
