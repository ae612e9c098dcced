// SPDX-License-Identifier: MIT
// Submitting a PDF to a CUPS queue (see cups_submit.h): Create-Job, then
// Send-Document with the PDF's bytes as they are made, each answer
// checked. The connection is our own, with a time limit on every wait, so
// that a scheduler that stops answering ends the run with an error instead
// of holding it.
#include "linux/print/cups_submit.h"

#include "linux/print/cups_scheduler.h"

#include <cups/cups.h>


namespace vexlan {

namespace {

constexpr int kConnectTimeoutMs = 30000;
constexpr double kReplyTimeoutS = 60.0;
// Bytes gathered before they go to libcups: the PDF comes in many small
// pieces, and each write to the scheduler is a chunk of its own and a look
// for an early answer.
constexpr std::size_t kSendBytes = 1 << 16;

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

// A queue's instance ("name/instance") only selects saved defaults on
// this machine; the scheduler knows the queue by its name.
std::string QueueName(const std::string& queue)
{
    return queue.substr(0, queue.find('/'));
}

http_t* Connect(SchedulerContact& contact)
{
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

struct CCupsPdfJob::Connection {
    http_t* http = nullptr;
    // From Prepare(): the queue as libcups's cupsCreateJob looks it up
    // before it creates a job.
    cups_dest_t* dest = nullptr;
    cups_dinfo_t* info = nullptr;
    void Forget()
    {
        if (info != nullptr)
            cupsFreeDestInfo(info);
        if (dest != nullptr)
            cupsFreeDests(1, dest);
        info = nullptr;
        dest = nullptr;
    }
};

CCupsPdfJob::CCupsPdfJob() : m_conn(std::make_unique<Connection>()) {}

CCupsPdfJob::~CCupsPdfJob()
{
    Cancel();
    m_conn->Forget();
}

void CCupsPdfJob::Prepare(const std::string& queue)
{
    Cancel();
    m_conn->Forget();
    m_name = QueueName(queue);
    cupsSetPasswordCB2(NoPassword, nullptr);
    SchedulerContact contact;
    m_conn->http = Connect(contact);
    if (m_conn->http != nullptr) {
        m_conn->dest = cupsGetNamedDest(m_conn->http, m_name.c_str(), nullptr);
        if (m_conn->dest != nullptr)
            m_conn->info = cupsCopyDestInfo(m_conn->http, m_conn->dest);
    }
    // Anything short of the whole look-up is left to Start(), which then
    // goes the usual way and says why it failed.
    if (m_conn->info == nullptr) {
        m_conn->Forget();
        Close();
    }
}

void CCupsPdfJob::Close()
{
    if (m_conn->http != nullptr)
        httpClose(m_conn->http);
    m_conn->http = nullptr;
}

bool CCupsPdfJob::Cancel()
{
    // On a new connection: the old one may be in the middle of a request,
    // which closing it abandons (the scheduler drops a document that did
    // not arrive whole).
    Close();
    if (m_jobId <= 0)
        return true;
    const int jobId = m_jobId;
    m_jobId = 0;
    SchedulerContact contact;
    m_conn->http = Connect(contact);
    std::string why;
    if (m_conn->http == nullptr)
        why = contact.problem;
    else if (!IppSucceeded(cupsCancelJob2(m_conn->http, m_name.c_str(), jobId, 0)))
        why = LastCupsError();
    else
        return true;
    m_cancelNote = "; job " + m_name + "-" + std::to_string(jobId) + " could not be cancelled (" + why + ")";
    return false;
}

bool CCupsPdfJob::Start(const std::string& queue, const CupsJobOptions& options, SubmitFailure& failure)
{
    const std::string name = QueueName(queue);
    const bool prepared = m_conn->info != nullptr && m_conn->http != nullptr && m_jobId <= 0 && name == m_name;
    if (!prepared) {
        Cancel();
        m_conn->Forget();
    }
    m_pending.clear();
    m_reason.clear();
    m_cancelNote.clear();
    m_name = name;
    m_failedLine = "printing on \"" + queue + "\" failed: ";
    failure = SubmitFailure();
    failure.line = m_failedLine;

    cupsSetPasswordCB2(NoPassword, nullptr);
    if (!prepared) {
        SchedulerContact contact;
        m_conn->http = Connect(contact);
        if (m_conn->http == nullptr) {
            failure.kind = SubmitFailure::Unreachable;
            failure.reason = contact.reason;
            failure.line += contact.problem;
            return false;
        }
    }
    http_t* http = m_conn->http;

    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    for (const auto& [option, value] : CupsOptionPairs(options))
        count = cupsAddOption(option.c_str(), value.c_str(), count, &cupsOptions);
    int jobId = 0;
    if (prepared) {
        // What cupsCreateJob does after its look-up of the queue.
        if (cupsCreateDestJob(http, m_conn->dest, m_conn->info, &jobId, options.title.c_str(), count, cupsOptions) >=
            IPP_STATUS_REDIRECTION_OTHER_SITE)
            jobId = 0;
        m_conn->Forget();
    } else {
        jobId = cupsCreateJob(http, m_name.c_str(), options.title.c_str(), count, cupsOptions);
    }
    cupsFreeOptions(count, cupsOptions);
    if (jobId <= 0) {
        // Asked on the same connection only when the scheduler answered.
        const std::string reason = LastCupsError();
        if (httpGetStatus(http) == HTTP_STATUS_OK) {
            Refusal(http, m_name, reason, failure);
        } else {
            failure.kind = SubmitFailure::Refused;
            failure.reason = reason;
            failure.line += reason;
        }
        Close();
        return false;
    }
    m_jobId = jobId;
    if (cupsStartDocument(http, m_name.c_str(), jobId, options.title.c_str(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE) {
        const std::string reason = LastCupsError();
        Cancel();
        Refusal(m_conn->http, m_name, reason, failure);
        failure.line += m_cancelNote;
        Close();
        return false;
    }
    m_pending.reserve(kSendBytes);
    return true;
}

bool CCupsPdfJob::Flush()
{
    if (!m_reason.empty() || m_conn->http == nullptr || m_jobId <= 0) {
        if (m_reason.empty())
            m_reason = "the job was not started";
        return false;
    }
    if (!m_pending.empty() &&
        cupsWriteRequestData(m_conn->http, m_pending.data(), m_pending.size()) != HTTP_STATUS_CONTINUE) {
        m_reason = LastCupsError();
        return false;
    }
    m_pending.clear();
    return true;
}

bool CCupsPdfJob::Write(const char* data, std::size_t length)
{
    if (!m_reason.empty())
        return false;
    if (m_pending.size() + length <= kSendBytes) {
        m_pending.append(data, length);
        return true;
    }
    if (!Flush())
        return false;
    if (length < kSendBytes) {
        m_pending.append(data, length);
        return true;
    }
    if (cupsWriteRequestData(m_conn->http, data, length) != HTTP_STATUS_CONTINUE) {
        m_reason = LastCupsError();
        return false;
    }
    return true;
}

bool CCupsPdfJob::Finish(SubmitFailure& failure)
{
    if (Flush() && !IppSucceeded(cupsFinishDocument(m_conn->http, m_name.c_str())))
        m_reason = LastCupsError();
    if (m_reason.empty()) {
        m_jobId = 0; // the scheduler has it
        Close();
        return true;
    }
    const std::string reason = m_reason;
    Cancel();
    failure = SubmitFailure();
    failure.line = m_failedLine;
    Refusal(m_conn->http, m_name, reason, failure);
    failure.line += m_cancelNote;
    Close();
    return false;
}

} // namespace vexlan
