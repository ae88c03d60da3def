#pragma once
// Free text boxes drawn on a network's or submodel's canvas: parallel rectangles and texts.

#include "base/rectangle.h"
#include "base/string_array.h"
#include "base/vrx_object.h"

class VRX_textBoxList : public VRX_object {
public:
    VRX_textBoxList() = default;
    ~VRX_textBoxList() override;

    // Empties both lists.
    void CleanUp(int deep) override;
    // Consistent when both lists are valid and of one length.
    void CheckConsistency(int deep) override;

    // Appends a box with a copy of its text (null allowed); kObjectNotValid or kOutOfMemory from the lists,
    // nothing added.
    [[nodiscard]] int AddTextBox(const VRX_rectangle& box, const char* text);
    // kOutOfRange for i outside the boxes.
    [[nodiscard]] int SetText(int i, const char* text);
    int GetNumberOfTextBoxes() const { return boxes.GetCount(); }
    // Rectangle i; outside the table a zeroed spare.
    VRX_rectangle& GetBox(int i) { return boxes[i]; }
    const VRX_rectangle& GetBox(int i) const { return boxes[i]; }
    // Text of box i, owned by the list; null outside [0, size).
    const char* GetText(int i) const { return texts[i]; }

    // 0 for itself; kObjectNotValid when other is not valid; both lists copied (kOutOfMemory when out of
    // memory); 0.
    [[nodiscard]] int Copy(const VRX_textBoxList& other);

private:
    VRX_rectangleArray boxes;
    VRX_stringArray texts;
};
