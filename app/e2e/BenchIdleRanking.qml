import QtQuick 2.15

// Timing runs only (scripts/bench-idle ... ranking): the idle window showing
// 沪深A股涨幅排名, its pages pushed live, instead of a stock view.
BenchIdle {
    ranking: true
}
