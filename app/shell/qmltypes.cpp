#include "shell/qmltypes.h"

#include <QtQml>

// The order is the program's registration order. Each line is added when its
// type exists; the types of later screens plug in here.
void registerQmlTypes()
{
}
