#pragma once
// A stack that keeps its first N items inline and moves to the heap beyond them, for the explicit
// stacks that replace recursion over trees: shallow trees cost no allocation, and pushing, reading
// and popping are a pointer and a count. Growing moves the items: references to them do not survive
// a Push. Its items may also be read in place as a small list.

#include <algorithm>
#include <vector>

namespace vovido {

template <typename T, int N>
class SmallStack {
public:
    SmallStack() : data_(inline_) {}
    SmallStack(const SmallStack&) = delete;
    SmallStack& operator=(const SmallStack&) = delete;

    void Push(const T& item) {
        if (size_ == capacity_) Grow();
        data_[size_++] = item;
    }
    T& Top() { return data_[size_ - 1]; }
    T PopValue() { return data_[--size_]; }
    void Pop() { --size_; }
    bool Empty() const { return size_ == 0; }
    int Size() const { return size_; }
    // The items in the order pushed, the bottom first.
    T& operator[](int i) { return data_[i]; }
    const T& operator[](int i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    // Keeps the first n items; n is at most Size().
    void Truncate(int n) { size_ = n; }

private:
    void Grow() {
        std::vector<T> bigger(static_cast<size_t>(capacity_) * 2);
        std::copy(data_, data_ + size_, bigger.begin());
        heap_.swap(bigger);
        data_ = heap_.data();
        capacity_ *= 2;
    }

    T inline_[N];
    std::vector<T> heap_;
    T* data_;
    int size_ = 0;
    int capacity_ = N;
};

}  // namespace vovido
