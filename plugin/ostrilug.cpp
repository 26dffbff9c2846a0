// The plug-in's one export: hands the formula engine its table of functions.
#include "tdxfunctions.h"
#include "tdxplugin.h"

namespace {

TdxFuncEntry functionTable[] = {
    {1, ostrilug::tdxMarkBack},      {2, ostrilug::tdxSegmentEnds},
    {3, ostrilug::tdxPairHigh},      {4, ostrilug::tdxPairLow},
    {5, ostrilug::tdxMergedTurns},   {6, ostrilug::tdxMergedHigh},
    {7, ostrilug::tdxMergedLow},     {8, ostrilug::tdxFillSeriesSet},
    {9, ostrilug::tdxSeriesFromSet}, {0, nullptr},
};

}  // namespace

// Stores the table's address in *table when *table is null and returns 1;
// refuses (0) a null pointer or one that already points to a table.
extern "C" __attribute__((visibility("default"))) int RegisterTdxFunc(TdxFuncEntry** table)
{
    if (!table || *table)
        return 0;
    *table = functionTable;
    return 1;
}
