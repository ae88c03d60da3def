#pragma once
// Receiver of the XML reader's errors and warnings, and the default one that logs them.

#include "base/status_codes.h"

// Warnings about skipped unknown content are logged as kUnknownContentWarning, errors as kFileIoFailed.

// The hint that follows messages about files written by a newer version.
extern const char* const kXmlDownloadHint;

class IXmlErrorHandler {
public:
    // line counts from 1, column from 0 (both 0 when the file could not be opened).
    virtual void OnError(const char* message, int line, int column) = 0;
    virtual void OnUnknownElement(const char* element, const char* parent, int line, int column) = 0;
    virtual void OnUnknownAttribute(const char* element, const char* attribute, int line, int column) = 0;
    virtual ~IXmlErrorHandler() = default;
};

// Logs into the process-wide error log, each message naming the position and the file.
class XmlErrorHandler : public IXmlErrorHandler {
public:
    // fileName: not owned; it must outlive the handler's use (null is written as an empty name).
    explicit XmlErrorHandler(const char* name = nullptr) : fileName(name) {}

    void SetFileName(const char* name) { fileName = name; }
    bool UnknownContentSeen() const { return unknownSeen; }

    void OnError(const char* message, int line, int column) override;
    void OnUnknownElement(const char* element, const char* parent, int line, int column) override;
    void OnUnknownAttribute(const char* element, const char* attribute, int line, int column) override;

    // After a successful read: one closing warning when unknown content was skipped.
    void ReportUnknownContent();

private:
    const char* fileName;
    bool unknownSeen = false;
};
