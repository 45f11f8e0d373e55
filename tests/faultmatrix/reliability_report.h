// The outcome of each cell of the fault matrix and the page that tabulates them.
#pragma once

#include <string>
#include <vector>

struct CellResult {
    std::string fault;
    std::string place;
    std::vector<std::string> checks;    // what was checked, in order
    std::vector<std::string> failures;  // what did not hold
    std::vector<std::string> notes;     // figures of this run (printed, not tabled)
    double seconds = 0.0;
    double maxLatencyMs = 0.0;

    bool Held() const { return failures.empty(); }
};

struct FaultRow {
    std::string name;
    std::string description;
};

struct PlaceColumn {
    std::string name;
    std::string description;
};

// Markdown: the table fault x place (held / failed / not run), then one line per cell.
std::string ReliabilityPage(const std::vector<FaultRow>& faults,
                            const std::vector<PlaceColumn>& places,
                            const std::vector<CellResult>& cells);
