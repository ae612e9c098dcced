// SPDX-License-Identifier: MIT
// CVexlanDoc: the document of the single-document shell. It carries no data:
// the page lives in the item list and the view draws it. Its title stays
// empty whatever title it is offered, so the frame's caption is the
// application title alone.
#pragma once

#include "core/base/wintypes.h"

#include <QString>

class QDataStream;

namespace vexlan {

class CVexlanDoc {
public:
    CVexlanDoc() = default;
    virtual ~CVexlanDoc() = default;
    CVexlanDoc(const CVexlanDoc&) = delete;
    CVexlanDoc& operator=(const CVexlanDoc&) = delete;

    // Nothing is stored or loaded.
    virtual void Serialize(QDataStream& ar);
    // Drops the offered title: the title stays empty.
    virtual void SetTitle(const QString& title);
    // A new, empty document: not modified, no path. Always succeeds.
    virtual bool OnNewDocument();

    const QString& GetTitle() const { return m_strTitle; }
    bool IsModified() const { return m_bModified; }

    // Commands routed to the document: Save and Save As, which have nothing
    // to write. Returns false for any other command.
    bool OnCmdMsg(UINT nID);

private:
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
};

} // namespace vexlan
