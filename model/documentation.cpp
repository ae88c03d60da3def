// Attached documents: titles and their file or web paths.
#include "model/documentation.h"

#include "base/status_codes.h"

VRX_documentation::~VRX_documentation() = default;

void VRX_documentation::CleanUp(int deep) {
    titles.CleanUp(deep);
    paths.CleanUp(deep);
    VRX_object::CleanUp(deep);
}

void VRX_documentation::CheckConsistency(int deep) {
    if (deep) {
        titles.CheckConsistency(deep);
        paths.CheckConsistency(deep);
    }
    SetFlag(kConsistent, titles.IsConsistent() && titles.GetCount() == paths.GetCount());
}

int VRX_documentation::AddDocument(const char* title, const char* path) {
    if (const int rc = titles.Add(title)) return rc;
    const int index = titles.GetCount() - 1;
    if (const int rc = paths.Insert(index, path)) {
        (void)titles.Delete(index);  // undoes the add just made
        return rc;
    }
    return kSuccess;
}

int VRX_documentation::SetDocumentPath(int i, const char* path) {
    // Bounded by the documents, not the table: a path beyond them would have no title.
    if (i < 0 || i >= paths.GetCount()) return kOutOfRange;
    return paths.SetString(i, path);
}

int VRX_documentation::Flush() {
    if (const int rc = titles.Flush()) return rc;
    return paths.Flush();
}

int VRX_documentation::Copy(const VRX_documentation& other) {
    if (this == &other) return kSuccess;
    if (!other.IsValid()) return kObjectNotValid;
    if (const int rc = titles.Copy(other.titles)) return rc;
    return paths.Copy(other.paths);
}
