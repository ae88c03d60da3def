// The default XML error handler: errors and warnings become entries of the error log.
#include "xml/xml_error_handler.h"

#include <string>

#include "base/error_log.h"
#include "base/status_codes.h"
#include "xml/xml_text.h"

const char* const kXmlDownloadHint =
    "Please download most recent version of TARVO/Cavro from:\nhttps://www.vovido.org/download";

namespace {

// " at L, C while loading F"
void AppendLocation(std::string& text, int line, int column, const char* fileName) {
    text.append(" at ").append(std::to_string(line)).append(", ").append(std::to_string(column));
    text.append(" while loading ").append(fileName != nullptr ? fileName : "");
}

}  // namespace

void XmlErrorHandler::OnError(const char* message, int line, int column) {
    std::string text("Error");
    AppendLocation(text, line, column, fileName);
    text.append(": ").append(vovido::OrEmpty(message));
    LogError(errorLog, kFileIoFailed, text.c_str(), nullptr);
}

void XmlErrorHandler::OnUnknownElement(const char* element, const char* /*parent*/, int line, int column) {
    unknownSeen = true;
    std::string text("Warning: Ignored unknown element '");
    text.append(vovido::OrEmpty(element)).append("'");
    AppendLocation(text, line, column, fileName);
    LogError(errorLog, kUnknownContentWarning, text.c_str(), nullptr);
}

void XmlErrorHandler::OnUnknownAttribute(const char* element, const char* attribute, int line, int column) {
    unknownSeen = true;
    std::string text("Warning: Ignored unknown attribute '");
    text.append(vovido::OrEmpty(attribute)).append("' in '").append(vovido::OrEmpty(element)).append("'");
    AppendLocation(text, line, column, fileName);
    LogError(errorLog, kUnknownContentWarning, text.c_str(), nullptr);
}

void XmlErrorHandler::ReportUnknownContent() {
    if (!unknownSeen) return;
    std::string text("File contains unknown elements and/or attributes. ");
    text.append(kXmlDownloadHint);
    LogError(errorLog, kUnknownContentWarning, text.c_str(), nullptr);
}
