#include "tablelock.h"

std::shared_mutex& quote_tables_mutex()
{
    static std::shared_mutex mutex;
    return mutex;
}
