// SPDX-License-Identifier: MIT
// The data-less document (see vexlan_doc.h).
#include "linux/shell/vexlan_doc.h"

#include "core/app/command_ids.h"

namespace vexlan {

void CVexlanDoc::Serialize(QDataStream&)
{
}

void CVexlanDoc::SetTitle(const QString&)
{
}

bool CVexlanDoc::OnNewDocument()
{
    m_strPathName.clear();
    m_bModified = false;
    return true;
}

bool CVexlanDoc::OnCmdMsg(UINT nID)
{
    // The document holds nothing, so saving it writes nothing.
    return nID == ID_FILE_SAVE || nID == ID_FILE_SAVE_AS;
}

} // namespace vexlan
