// SPDX-License-Identifier: MIT
// Reaching the CUPS scheduler libcups is configured for (CUPS_SERVER,
// client.conf, the local socket) and asking it which queues it has and
// which one is the default. Every connection attempt is bounded in time, and
// a scheduler that cannot be reached is told apart from one that answers
// with no queue, so that a user learns which of the two happened.
#pragma once

#include <cups/cups.h>

#include <string>
#include <vector>

namespace vexlan {

// The scheduler's address as a user would write it: the socket path, or
// "host:port".
std::string SchedulerAddress();

// How a connection attempt ended.
struct SchedulerContact {
    enum State {
        Reached,
        // No scheduler runs on this machine, so it has no printer installed:
        // the scheduler's local socket does not exist, or nobody named a
        // scheduler and nothing answers where libcups then looks
        // (localhost:631).
        Absent,
        // Refused, timed out, or the host is unknown.
        Unreachable,
    };
    State state = Unreachable;
    // For Absent and Unreachable: why ("Connection refused"), and the line
    // for the user, "cannot reach the print scheduler at ADDRESS (reason)".
    std::string reason;
    std::string problem;
};

// Connects to the scheduler, giving up after `timeoutMs` (a refused
// connection fails at once). Returns nullptr with `contact` saying why when
// there is no connection; the caller closes the one returned.
http_t* ConnectToScheduler(SchedulerContact& contact, int timeoutMs = 30000);

// The scheduler's queues and its default destination as CUPS's own
// cupsGetNamedDest(NULL) finds it: LPDEST, else PRINTER other than "lp",
// else the user's lpoptions default, else the system lpoptions default,
// else the server's default.
struct SchedulerQueues {
    SchedulerContact contact;
    std::vector<std::string> queues;  // "name" or "name/instance", as lpoptions knows them
    std::string defaultQueue;         // empty: there is no default destination
};
SchedulerQueues AskSchedulerForQueues();

} // namespace vexlan
