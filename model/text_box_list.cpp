// Text boxes of a canvas.
#include "model/text_box_list.h"

#include "base/status_codes.h"

VRX_textBoxList::~VRX_textBoxList() = default;

void VRX_textBoxList::CleanUp(int deep) {
    boxes.CleanUp(deep);
    texts.CleanUp(deep);
    VRX_object::CleanUp(deep);
}

void VRX_textBoxList::CheckConsistency(int /*deep*/) {
    SetFlag(kConsistent, boxes.IsValid() && texts.IsValid() && boxes.GetCount() == texts.GetCount());
}

int VRX_textBoxList::AddTextBox(const VRX_rectangle& box, const char* text) {
    // The text goes first: a string can be taken back out, a rectangle cannot.
    if (const int rc = texts.Add(text)) return rc;
    if (const int rc = boxes.Add(box)) {
        (void)texts.Delete(texts.GetCount() - 1);  // undoes the add just made
        return rc;
    }
    return kSuccess;
}

int VRX_textBoxList::SetText(int i, const char* text) {
    if (i < 0 || i >= boxes.GetCount() || i >= texts.GetCount()) return kOutOfRange;
    return texts.SetString(i, text);
}

int VRX_textBoxList::Copy(const VRX_textBoxList& other) {
    if (this == &other) return kSuccess;
    if (!other.IsValid()) return kObjectNotValid;
    if (!other.boxes.IsValid()) return kObjectNotValid;
    boxes = other.boxes;
    // The rectangle array's assignment leaves it empty when its table cannot be allocated.
    if (boxes.GetCount() != other.boxes.GetCount()) return kOutOfMemory;
    return texts.Copy(other.texts);
}
