#pragma once

#include "core/Records.h"
#include "storage/DataFile.h"

#include <QString>

namespace ze {

class Station;

struct RangeLoadResult
{
    bool found = false; // the file existed and could be read
    int linesRead = 0;
    int linesSkipped = 0; // lines without their five fields
    int linesIgnored = 0; // lines beyond the hundredth
    QString error;
};

// Why a range cannot be searched, in words that can follow "The range was not stored: "; ""
// when it can: From and To frequencies the receiver tunes, From below To, a Step above 0.
QString rangeProblem(const QString &from, const QString &to, const QString &step);

void clearRanges(Ranges &ranges);
// Reads "range.rng" lines into indexes 0, 1, 2, ... in file order.
RangeLoadResult readRangeFile(const QString &path, Ranges &ranges);
// From, To, Mode, Step, Description (Step before Description), TAB-separated, no CR LF.
QString rangeFileLine(const RangeRecord &range);
SaveResult writeRangeFile(const QString &path, const Ranges &ranges);

void ClearRanges(Station &station);
// Loads "range.rng" (none: empty ranges) and refills both range lists.
RangeLoadResult LoadRangeFile(Station &station);
// Saves the ranges atomically; a failure is reported in a message box.
SaveResult SaveRangeFile(Station &station);
// Both range lists: every range with From and To set, its Description as text, its index as data.
void FillRangeLists(Station &station);

} // namespace ze
