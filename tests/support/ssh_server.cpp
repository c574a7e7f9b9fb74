#include "support/ssh_server.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <thread>

#include "support/postgres/process_census.hpp"
#include "support/tmux_session.hpp"

namespace tavix::testing {

namespace {

using namespace std::chrono_literals;

constexpr const char* kSshd = "/usr/sbin/sshd";
// Every process of a session carries it, tmux's server too, which no parent links to sshd.
constexpr const char* kMarker = "TAVIX_TEST_SSHD";

std::string UserName() {
    const passwd* entry = ::getpwuid(::getuid());
    if (entry == nullptr) {
        throw std::runtime_error("the test's user has no name");
    }
    return entry->pw_name;
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// The port the kernel hands out next; free for the moment it takes sshd to bind it.
int FreePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    const bool bound = ::bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                       ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(probe);
    if (!bound) {
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    const bool connected =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

void WriteConfig(const std::string& folder, int port, const std::string& force_command,
                 const std::vector<std::string>& session_environment) {
    std::ofstream config(folder + "/sshd_config");
    // StrictModes would refuse keys under the world-writable /tmp; PAM needs root, and is
    // not what is tested.
    config << "ListenAddress 127.0.0.1:" << port << "\nHostKey " << folder << "/host_key\n"
           << "PidFile " << folder << "/sshd.pid\nAuthorizedKeysFile " << folder
           << "/client_key.pub\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
           << "KbdInteractiveAuthentication no\nPrintMotd no\nPrintLastLog no\n"
           << "Match User " << UserName() << "\n    ForceCommand " << force_command
           << "\n    SetEnv " << kMarker << "=" << folder;
    for (const std::string& variable : session_environment) {
        config << " " << variable;
    }
    config << "\n";
}

bool CarriesMarker(pid_t process, const std::string& marker) {
    std::ifstream environ_file("/proc/" + std::to_string(process) + "/environ");
    const std::string environment((std::istreambuf_iterator<char>(environ_file)),
                                  std::istreambuf_iterator<char>());
    return environment.find('\0' + marker + '\0') != std::string::npos ||
           environment.rfind(marker + '\0', 0) == 0;
}

// The sessions (the listener's descendants) and whatever they left running on their own.
void EndSessions(pid_t listener, const std::string& marker) {
    const std::map<pid_t, pid_t> parents = ParentsOfProcesses();
    for (const auto& [process, parent] : parents) {
        bool descendant = CarriesMarker(process, marker);
        for (pid_t up = parent; !descendant && up > 1;
             up = parents.count(up) ? parents.at(up) : 0) {
            descendant = up == listener;
        }
        if (descendant) {
            ::kill(process, SIGKILL);  // process > 1: read from /proc
        }
    }
}

// In the keeper, a child of the test: starts sshd, waits for the end of the control pipe, which
// comes when the test closes it or ends, then clears up.
[[noreturn]] void Keep(const std::string& folder, int control_fd) {
    for (const int signal : {SIGINT, SIGHUP, SIGPIPE, SIGTERM}) {
        ::signal(signal, SIG_IGN);
    }
    const pid_t listener = ::fork();
    if (listener == 0) {
        const int log = ::open((folder + "/sshd.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(log, STDERR_FILENO);
        ::signal(SIGTERM, SIG_DFL);
        ::execl(kSshd, kSshd, "-D", "-e", "-f", (folder + "/sshd_config").c_str(), nullptr);
        ::_exit(127);
    }
    char ignored = 0;
    ssize_t count = 0;
    do {
        count = ::read(control_fd, &ignored, 1);
    } while (count > 0 || (count < 0 && errno == EINTR));
    // While the listener lives, its sessions are known by their parents.
    EndSessions(listener, std::string(kMarker) + "=" + folder);
    if (listener > 0) {
        ::kill(listener, SIGKILL);
        ::waitpid(listener, nullptr, 0);
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    ::_exit(0);
}

}  // namespace

SshServer::SshServer(const std::string& force_command,
                     const std::vector<std::string>& session_environment)
    : port_(FreePort()) {
    const std::string& folder = folder_.Path();
    Run("ssh-keygen -q -t ed25519 -N '' -f " + folder +
        "/host_key && ssh-keygen -q -t ed25519 -N '' -f " + folder + "/client_key");
    WriteConfig(folder, port_, force_command, session_environment);
    if (::getuid() == 0) {
        // sshd run as root keeps its unprivileged part there; the system's boot makes it.
        std::filesystem::create_directories("/run/sshd");
    }
    int control[2];
    if (::pipe2(control, O_CLOEXEC) != 0) {
        throw std::runtime_error("no pipe for the sshd keeper");
    }
    keeper_ = ::fork();
    if (keeper_ < 0) {
        throw std::runtime_error("cannot start the sshd keeper");
    }
    if (keeper_ == 0) {
        ::close(control[1]);
        Keep(folder, control[0]);
    }
    ::close(control[0]);
    control_fd_ = control[1];
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!Accepts(port_)) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("sshd did not start: " + Log());
        }
        std::this_thread::sleep_for(20ms);
    }
}

SshServer::~SshServer() {
    ::close(control_fd_);
    ::waitpid(keeper_, nullptr, 0);
}

std::string SshServer::ClientCommand() const {
    return "ssh -F /dev/null -tt -i " + folder_.Path() + "/client_key -p " + std::to_string(port_) +
           " -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o BatchMode=yes"
           " -o LogLevel=ERROR " +
           UserName() + "@127.0.0.1";
}

std::string SshServer::Log() const {
    std::ifstream log(folder_.Path() + "/sshd.log");
    return std::string(std::istreambuf_iterator<char>(log), {});
}

std::vector<pid_t> SshServer::SessionProcesses(const std::string& executable) const {
    std::vector<pid_t> found;
    const std::string marker = std::string(kMarker) + "=" + folder_.Path();
    for (const auto& [process, parent] : ParentsOfProcesses()) {
        std::error_code error;
        if (std::filesystem::read_symlink("/proc/" + std::to_string(process) + "/exe", error) ==
                executable &&
            CarriesMarker(process, marker) && ProcessExists(process)) {
            found.push_back(process);
        }
    }
    return found;
}

}  // namespace tavix::testing
