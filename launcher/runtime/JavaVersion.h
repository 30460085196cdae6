#pragma once

#include <string>

// A Java version text such as "1.8.0_201" and the number it compares by:
// first * 10,000,000 + second * 100,000 + third * 1,000 + fourth.
class JavaVersion {
public:
    // Parses at once; never throws. Missing parts count as 0. A number with more digits than a
    // 32-bit value holds saturates, so an absurd version still compares as very new.
    explicit JavaVersion(const std::wstring& text);
    virtual ~JavaVersion() = default;

    // False when a separator other than the expected ".", "." and "_" followed a number.
    bool isValid() const { return valid_; }
    int getNumber() const { return number_; }
    const std::wstring& getText() const { return text_; }
    // Older than the minimum: a smaller number. An equal one is good enough.
    bool isOlderThan(const JavaVersion& minimum) const { return number_ < minimum.number_; }

private:
    bool valid_;
    std::wstring text_;
    int number_;
};
