#pragma once

#include <string>

class ProbeTable;

// What became of the points of a data file that could not be read when its table was loaded.
enum class StoredPoints {
    Kept,        // the file's points now stand in front of the table's own, or it holds none
    Unreadable,  // the file still cannot be read: nothing may be written over it
    TooMany,     // the file's points and the table's together are more than the table holds
};

// Reads the table's data file again before the table is saved, so that no point it holds is
// lost: a valid table's points go in front of the table's own, in their order, and the table
// counts as loaded from then on. A file that has gone, or holds no table now, keeps nothing.
// problem tells why a file is still Unreadable or TooMany; the file is never written here.
//
//     if (table.fileState == TableFileState::Unreadable &&
//         KeepStoredPoints(table, problem) != StoredPoints::Kept)
//         tell(problem);  // and write nothing
StoredPoints KeepStoredPoints(ProbeTable& table, std::string& problem);
