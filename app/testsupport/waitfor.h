// Waits for a condition while the event loop runs: up to 15 s in 100 ms steps.
// True when the condition holds at the end.
#pragma once

#include <QTest>

namespace testsupport {

template <class Pred>
bool waitFor(Pred done)
{
    for (int i = 0; i < 150 && !done(); ++i)
        QTest::qWait(100);
    return done();
}

}  // namespace testsupport
