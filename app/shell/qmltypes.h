// The program's QML surface: every type it registers, in one function.
#pragma once

// Registers the program's QML types (URI = class name unless stated, version
// 1.0). Called once by the entry function before any QML engine exists.
void registerQmlTypes();
