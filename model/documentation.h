#pragma once
// Documents attached to a network, node or submodel: parallel lists of titles and paths.

#include "base/string_array.h"
#include "base/vrx_object.h"

class VRX_documentation : public VRX_object {
public:
    VRX_documentation() = default;
    ~VRX_documentation() override;

    void CleanUp(int deep) override;
    // Consistent when the titles are (re-checked first when deep) and both lists are of one length.
    void CheckConsistency(int deep) override;

    // Appends a document; the title's errors are returned; a path that cannot be stored takes the
    // title out again.
    [[nodiscard]] int AddDocument(const char* title, const char* path);
    // kOutOfRange for i outside the documents.
    [[nodiscard]] int SetDocumentPath(int i, const char* path);
    int GetNumberOfDocuments() const { return titles.GetCount(); }
    // Title and path of document i, owned by the record; null outside [0, size).
    const char* GetDocumentTitle(int i) const { return titles[i]; }
    const char* GetDocumentPath(int i) const { return paths[i]; }
    // Empties both lists; 0.
    int Flush();

    // 0 for itself; kObjectNotValid when other is not valid; both lists copied; 0.
    [[nodiscard]] int Copy(const VRX_documentation& other);

private:
    VRX_stringArray titles;
    VRX_stringArray paths;
};
