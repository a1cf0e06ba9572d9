#pragma once

// A list numbered from 1, as the handlers index it. Element access outside 1..count() is a
// fatal runtime error, never undefined behaviour.

#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

#include "text/runtime_error.h"

template <class T>
class Array {
  public:
    using value_type = T;
    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;

    Array() = default;
    Array(std::initializer_list<T> elements) : elements_(elements) {}
    explicit Array(std::vector<T> elements) : elements_(std::move(elements)) {}

    int count() const { return static_cast<int>(elements_.size()); }
    bool empty() const { return elements_.empty(); }

    // Element `index`, 1-based.
    T& at(int index) { return elements_[checked(index)]; }
    const T& at(int index) const { return elements_[checked(index)]; }
    T& operator[](int index) { return at(index); }
    const T& operator[](int index) const { return at(index); }

    void append(T element) { elements_.push_back(std::move(element)); }
    void clear() { elements_.clear(); }

    iterator begin() { return elements_.begin(); }
    iterator end() { return elements_.end(); }
    const_iterator begin() const { return elements_.begin(); }
    const_iterator end() const { return elements_.end(); }

    const std::vector<T>& elements() const { return elements_; }

    friend bool operator==(const Array& a, const Array& b) { return a.elements_ == b.elements_; }
    friend bool operator!=(const Array& a, const Array& b) { return !(a == b); }

  private:
    std::size_t checked(int index) const {
        if (index < 1) {
            raiseRuntimeError(kErrorIndexBelowOne, kErrorIndexBelowOneMessage);
        }
        if (index > count()) {
            raiseRuntimeError(kErrorIndexOutOfRange, kErrorIndexOutOfRangeMessage);
        }
        return static_cast<std::size_t>(index - 1);
    }

    std::vector<T> elements_;
};
