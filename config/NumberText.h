#pragma once

#include <QString>

#include <optional>

// Numbers as people type them into either program, read one way everywhere.

// Plain decimal digits, with a leading '-' only where low is negative: no
// blanks, no '+', no other base. Empty when the text is not such a number or
// lies outside low..high.
std::optional<int> decimalInRange(const QString& text, int low, int high);

// A product ID: exactly one to four hexadecimal digits, without "0x".
std::optional<quint16> productIdFromText(const QString& text);
