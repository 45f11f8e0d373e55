#include "model/stored_points.h"

#include "model/probe_table.h"

StoredPoints KeepStoredPoints(ProbeTable& table, std::string& problem) {
    problem.clear();
    ProbeTable stored(table.dataFile);
    // Only read: whatever its loading marked, it is never written from here.
    stored.modified = false;
    if (stored.fileState == TableFileState::Unreadable) {
        problem = stored.fileProblem;
        return StoredPoints::Unreadable;
    }
    if (stored.fileState == TableFileState::Loaded) {
        if (stored.count + table.count > ProbeTable::Capacity) {
            problem = "it holds " + std::to_string(stored.count) + " points, and with the " +
                      std::to_string(table.count) + " measured now they are more than " +
                      std::to_string(ProbeTable::Capacity);
            return StoredPoints::TooMany;
        }
        for (uint32_t i = 0; i < table.count; ++i)
            stored.Add(table.conductance[i], table.normal[i]);
        stored.modified = false;
        table.count = stored.count;
        table.conductance = stored.conductance;
        table.normal = stored.normal;
        table.modified = true;
    }
    table.fileState = TableFileState::Loaded;
    table.fileProblem.clear();
    return StoredPoints::Kept;
}
