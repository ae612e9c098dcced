// SPDX-License-Identifier: MIT
// The scheduler's address, reachability and queues (see cups_scheduler.h).
//
// libcups reports every failed connection as "Host is down": the reason a
// user needs (no such socket, refused, timed out) comes from a connection
// attempt of our own, made before libcups connects.
#include "linux/print/cups_scheduler.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlan {

namespace {

bool IsSocketPath(const char* server)
{
    return server != nullptr && server[0] == '/';
}

// libcups looks for a scheduler on localhost when nobody named one
// (CUPS_SERVER, client.conf) and its local socket does not exist: nothing
// answering there means that no scheduler runs on this machine, as on one
// where CUPS is not installed.
bool IsUnconfiguredFallback(const char* server)
{
    const char* named = std::getenv("CUPS_SERVER");
    struct stat info;
    return (named == nullptr || *named == '\0') && server != nullptr && std::strcmp(server, "localhost") == 0 &&
           ippPort() == 631 && ::stat("/run/cups/cups.sock", &info) != 0;
}

// 0 when a connection to `address` succeeds within `deadline`, else the
// reason as an errno value.
int TryConnect(const http_addr_t& address, std::chrono::steady_clock::time_point deadline)
{
    const int fd = ::socket(httpAddrFamily(const_cast<http_addr_t*>(&address)),
                            SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    int error = 0;
    if (::connect(fd, &address.addr, static_cast<socklen_t>(httpAddrLength(&address))) != 0) {
        error = errno;
        while (error == EINPROGRESS || error == EINTR) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                error = ETIMEDOUT;
                break;
            }
            pollfd waiting{fd, POLLOUT, 0};
            const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
            if (ready < 0) {
                error = errno;
                continue;
            }
            if (ready == 0)
                continue;  // the deadline check above ends the wait
            socklen_t length = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
    }
    ::close(fd);
    return error;
}

// Empty when the scheduler accepts a connection within `timeoutMs`, else
// the reason; `noScheduler` tells that none runs on this machine.
std::string ProbeScheduler(int timeoutMs, bool& noScheduler)
{
    noScheduler = false;
    const char* server = cupsServer();
    const std::string port = std::to_string(ippPort());
    http_addrlist_t* addresses = httpAddrGetList(server, AF_UNSPEC, port.c_str());
    if (addresses == nullptr) {
        const char* why = cupsLastErrorString();
        return why != nullptr && *why != '\0' ? why : "unknown host";
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int error = ENOTCONN;
    for (http_addrlist_t* a = addresses; a != nullptr; a = a->next) {
        error = TryConnect(a->addr, deadline);
        if (error == 0)
            break;
    }
    httpAddrFreeList(addresses);
    if (error == 0)
        return std::string();
    noScheduler = (IsSocketPath(server) && error == ENOENT) || (error == ECONNREFUSED && IsUnconfiguredFallback(server));
    return std::strerror(error);
}

} // namespace

std::string SchedulerAddress()
{
    const char* server = cupsServer();
    if (IsSocketPath(server))
        return server;
    return std::string(server != nullptr ? server : "") + ":" + std::to_string(ippPort());
}

http_t* ConnectToScheduler(SchedulerContact& contact, int timeoutMs)
{
    bool noScheduler = false;
    std::string reason = ProbeScheduler(timeoutMs, noScheduler);
    http_t* http = nullptr;
    if (reason.empty()) {
        http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, timeoutMs, nullptr);
        if (http == nullptr)
            reason = "the connection failed";
    }
    if (http == nullptr) {
        contact.state = noScheduler ? SchedulerContact::Absent : SchedulerContact::Unreachable;
        contact.reason = reason;
        contact.problem = "cannot reach the print scheduler at " + SchedulerAddress() + " (" + reason + ")";
        return nullptr;
    }
    contact.state = SchedulerContact::Reached;
    contact.reason.clear();
    contact.problem.clear();
    return http;
}

SchedulerQueues AskSchedulerForQueues()
{
    SchedulerQueues answer;
    http_t* http = ConnectToScheduler(answer.contact);
    if (http == nullptr)
        return answer;
    httpSetTimeout(http, 60.0, nullptr, nullptr);
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(http, &dests);
    for (int i = 0; i < count; ++i) {
        std::string name = dests[i].name;
        if (dests[i].instance != nullptr)
            name += std::string("/") + dests[i].instance;
        answer.queues.push_back(std::move(name));
    }
    cupsFreeDests(count, dests);
    if (cups_dest_t* dest = cupsGetNamedDest(http, nullptr, nullptr)) {
        answer.defaultQueue = dest->name;
        if (dest->instance != nullptr)
            answer.defaultQueue += std::string("/") + dest->instance;
        cupsFreeDests(1, dest);
    }
    httpClose(http);
    return answer;
}

} // namespace vexlan
