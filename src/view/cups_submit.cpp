// Submitting a PDF to a CUPS queue (see cups_submit.h): Create-Job, then
// Send-Document with the file's bytes, each answer checked. The connection
// is our own, with a time limit on every wait, so that a scheduler that
// stops answering ends the run with an error instead of holding it.
#include "view/cups_submit.h"

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
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                kConnectTimeoutMs, nullptr);
    if (http != nullptr)
        httpSetTimeout(http, kReplyTimeoutS, nullptr, nullptr);
    return http;
}

// True when the scheduler behind `http` answers that it has no queue
// `name` (deleted after the user chose it, for instance); false when it
// has one or does not answer.
bool QueueIsGone(http_t* http, const std::string& name)
{
    if (http == nullptr)
        return false;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     name.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ippDelete(cupsDoRequest(http, request, "/"));
    return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
}

// `reason` for a failure on queue `name`, led by what happened when the
// queue is gone: CUPS itself then only says "No such file or directory".
std::string Refusal(http_t* http, const std::string& name, const std::string& reason)
{
    if (!QueueIsGone(http, name))
        return reason;
    return "the queue no longer exists (CUPS: " + reason + ")";
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
                      const CupsJobOptions& options, std::string& error)
{
    // A queue's instance ("name/instance") only selects saved defaults on
    // this machine; the scheduler knows the queue by its name.
    const std::string name = queue.substr(0, queue.find('/'));
    const std::string failed = "printing on \"" + queue + "\" failed: ";
    Resources res;
    res.fd = ::open(pdfPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (res.fd < 0) {
        error = failed + "cannot read the spooled page: " + std::strerror(errno);
        return false;
    }

    cupsSetPasswordCB2(NoPassword, nullptr);
    res.http = Connect();
    if (res.http == nullptr) {
        error = failed + "cannot reach the print server " + cupsServer() + ": " + std::strerror(errno);
        return false;
    }

    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& [option, value] : CupsOptionPairs(options))
        count = cupsAddOption(option.c_str(), value.c_str(), count, &cupsOptions);
    const int jobId = cupsCreateJob(res.http, name.c_str(), options.title.c_str(), count, cupsOptions);
    cupsFreeOptions(count, cupsOptions);
    if (jobId <= 0) {
        // Asked on the same connection only when the scheduler answered.
        const std::string reason = LastCupsError();
        error = failed + (httpGetStatus(res.http) == HTTP_STATUS_OK ? Refusal(res.http, name, reason) : reason);
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
        error = failed + Refusal(res.http, name, reason);
        return false;
    }
    return true;
}

} // namespace vexlan
