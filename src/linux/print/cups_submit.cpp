// SPDX-License-Identifier: MIT
// Submitting a PDF to a CUPS queue (see cups_submit.h): Create-Job, then
// Send-Document with the file's bytes, each answer checked. The connection
// is our own, with a time limit on every wait, so that a scheduler that
// stops answering ends the run with an error instead of holding it.
#include "linux/print/cups_submit.h"

#include "linux/print/cups_scheduler.h"

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vexlan {

namespace {

constexpr int kConnectTimeoutMs = 30000;
constexpr double kReplyTimeoutS = 60.0;

void SetOption(CupsOptionList& list, const std::string& name, const std::string& value)
{
    for (auto& option : list) {
        if (option.first == name) {
            option.second = value;
            return;
        }
    }
    list.emplace_back(name, value);
}

// No password prompt: libcups would otherwise ask on the terminal, which a
// window-less or windowed run has no one to answer.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// The scheduler's reason for the last failed request.
std::string LastCupsError()
{
    const char* text = cupsLastErrorString();
    if (text != nullptr && *text != '\0')
        return OneLine(text);
    return ippErrorString(cupsLastError());
}

bool IppSucceeded(ipp_status_t status)
{
    return status <= IPP_STATUS_OK_CONFLICTING;
}

http_t* Connect()
{
    SchedulerContact contact;
    http_t* http = ConnectToScheduler(contact, kConnectTimeoutMs);
    if (http != nullptr)
        httpSetTimeout(http, kReplyTimeoutS, nullptr, nullptr);
    return http;
}

// What the scheduler says of queue `name` after it refused a job.
struct QueueState {
    bool gone = false;       // it has no such queue (deleted after the user chose it)
    bool rejecting = false;  // printer-is-accepting-jobs is false
    std::string message;     // printer-state-message: the reason given with cupsreject -r
};

QueueState AskQueueState(http_t* http, const std::string& name)
{
    QueueState state;
    if (http == nullptr)
        return state;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     name.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const wanted[] = {"printer-is-accepting-jobs", "printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
    ipp_t* response = cupsDoRequest(http, request, "/");
    state.gone = cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
    if (response != nullptr && IppSucceeded(cupsLastError())) {
        if (ipp_attribute_t* a = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
            state.rejecting = !ippGetBoolean(a, 0);
        if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT)) {
            const char* text = ippGetString(a, 0, nullptr);
            state.message = OneLine(text != nullptr ? text : "");
        }
    }
    ippDelete(response);
    return state;
}

// `failure` for a job that queue `name` did not take, CUPS having said
// `cupsReason`: the queue's own state says why, when it is gone or rejects
// jobs. CUPS itself then only says "No such file or directory" or that the
// destination is not accepting jobs, without the reason its
// administrator gave.
void Refusal(http_t* http, const std::string& name, const std::string& cupsReason, SubmitFailure& failure)
{
    const QueueState state = AskQueueState(http, name);
    failure.reason = cupsReason;
    if (state.gone) {
        failure.kind = SubmitFailure::Gone;
        failure.line += "the queue no longer exists (CUPS: " + cupsReason + ")";
    } else if (state.rejecting) {
        failure.kind = SubmitFailure::Rejecting;
        if (!state.message.empty())
            failure.reason = state.message;
        failure.line += "the queue is not accepting jobs (" + failure.reason + ")";
    } else {
        failure.kind = SubmitFailure::Refused;
        failure.line += cupsReason;
    }
}

// An open connection and a file descriptor, released on every path.
struct Resources {
    http_t* http = nullptr;
    int fd = -1;
    ~Resources()
    {
        if (http != nullptr)
            httpClose(http);
        if (fd >= 0)
            ::close(fd);
    }
    // Cancels a job whose document did not arrive whole, on a new
    // connection: the old one may be in the middle of a request.
    void CancelJob(const std::string& name, int jobId)
    {
        httpClose(http);
        http = Connect();
        if (http != nullptr)
            cupsCancelJob2(http, name.c_str(), jobId, 0);
    }
};

} // namespace

CupsOptionList CupsOptionPairs(const CupsJobOptions& options)
{
    CupsOptionList list;
    if (!options.media.empty())
        list.emplace_back("media", options.media);
    if (!options.sides.empty())
        list.emplace_back("sides", options.sides);
    if (options.copies > 1) {
        list.emplace_back("copies", std::to_string(options.copies));
        list.emplace_back("multiple-document-handling", options.collate
                                                            ? "separate-documents-collated-copies"
                                                            : "separate-documents-uncollated-copies");
    }
    for (const auto& [name, value] : options.printerOptions)
        if (!name.empty())
            SetOption(list, name, value);
    return list;
}

bool SubmitPdfToQueue(const std::string& queue, const std::string& pdfPath,
                      const CupsJobOptions& options, SubmitFailure& failure)
{
    // A queue's instance ("name/instance") only selects saved defaults on
    // this machine; the scheduler knows the queue by its name.
    const std::string name = queue.substr(0, queue.find('/'));
    failure = SubmitFailure();
    failure.line = "printing on \"" + queue + "\" failed: ";
    Resources res;
    res.fd = ::open(pdfPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (res.fd < 0) {
        failure.reason = std::string("cannot read the spooled page: ") + std::strerror(errno);
        failure.line += failure.reason;
        return false;
    }

    cupsSetPasswordCB2(NoPassword, nullptr);
    SchedulerContact contact;
    res.http = ConnectToScheduler(contact, kConnectTimeoutMs);
    if (res.http == nullptr) {
        failure.kind = SubmitFailure::Unreachable;
        failure.reason = contact.reason;
        failure.line += contact.problem;
        return false;
    }
    httpSetTimeout(res.http, kReplyTimeoutS, nullptr, nullptr);

    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& [option, value] : CupsOptionPairs(options))
        count = cupsAddOption(option.c_str(), value.c_str(), count, &cupsOptions);
    const int jobId = cupsCreateJob(res.http, name.c_str(), options.title.c_str(), count, cupsOptions);
    cupsFreeOptions(count, cupsOptions);
    if (jobId <= 0) {
        // Asked on the same connection only when the scheduler answered.
        const std::string reason = LastCupsError();
        if (httpGetStatus(res.http) == HTTP_STATUS_OK) {
            Refusal(res.http, name, reason, failure);
        } else {
            failure.kind = SubmitFailure::Refused;
            failure.reason = reason;
            failure.line += reason;
        }
        return false;
    }

    std::string reason;
    http_status_t status =
        cupsStartDocument(res.http, name.c_str(), jobId, options.title.c_str(), CUPS_FORMAT_PDF, 1);
    char buffer[64 * 1024];
    while (status == HTTP_STATUS_CONTINUE) {
        const ssize_t n = ::read(res.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            reason = std::string("cannot read the spooled page: ") + std::strerror(errno);
        if (n <= 0)
            break;
        status = cupsWriteRequestData(res.http, buffer, static_cast<size_t>(n));
    }
    if (status != HTTP_STATUS_CONTINUE)
        reason = LastCupsError();
    else if (reason.empty() && !IppSucceeded(cupsFinishDocument(res.http, name.c_str())))
        reason = LastCupsError();
    if (!reason.empty()) {
        res.CancelJob(name, jobId);
        Refusal(res.http, name, reason, failure);
        return false;
    }
    return true;
}

} // namespace vexlan
