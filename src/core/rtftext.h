// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// The plain text of a rich-text (RTF) document, one CR at the end of each
// paragraph. Formatting, pictures and document properties are dropped; 8-bit
// characters are read in the document's code page (GBK unless it names another),
// \uN characters as Unicode.
QString plainTextFromRtf(const QByteArray &rtf);
