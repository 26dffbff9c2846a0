// Fields of the drawing-tool file: every value is a JSON string; user text is
// escaped on write and unescaped on read, numbers keep the printf forms the
// file has always used.
#pragma once

#include <cstdint>
#include <string>

#include "shell/core/jsontree.h"

namespace paintcore {

// UTF-8 text to the inside of a JSON string ('"', '\\' and control characters
// escaped) and back (\uXXXX, surrogate pairs included; a broken escape stays
// as written).
std::string jsonEscape(const std::string& text);
std::string jsonUnescape(const std::string& escaped);

// Adds "key": "value" (escaped) to obj. False when the tree refuses it.
bool addField(json_node* obj, const char* key, const std::string& value);
// The first "key" of obj whose value is a string or a number, unescaped.
bool readField(const json_node* obj, const char* key, std::string* out);

// Number forms: colour "%x" of the 32-bit word, prices "%.2f", line
// parameters "%.14lf"; readers as atoi, atof and "%x" (garbage reads 0).
std::string colourText(int32_t colour);
int32_t parseColour(const std::string& text);
std::string priceText(float price);
std::string paramText(double value);
int parseInt(const std::string& text);
double parseDouble(const std::string& text);

}  // namespace paintcore
