import QtQuick 2.15

// Timing runs only (scripts/bench-idle ... tabs): the idle window of
// BenchIdle.qml with five stock tabs open, the last one shown.
BenchIdle {
    codes: ["600000", "000001", "600036", "000002", "600002"]
}
