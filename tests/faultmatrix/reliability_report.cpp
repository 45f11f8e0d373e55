#include "tests/faultmatrix/reliability_report.h"

namespace {

const CellResult* Find(const std::vector<CellResult>& cells, const std::string& fault,
                       const std::string& place) {
    for (const auto& cell : cells)
        if (cell.fault == fault && cell.place == place) return &cell;
    return nullptr;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const auto& part : parts) {
        if (!text.empty()) text += separator;
        text += part;
    }
    return text;
}

// Table cells must not break the row.
std::string Escaped(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '|')
            out += "\\|";
        else if (c == '\n')
            out += ' ';
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string ReliabilityPage(const std::vector<FaultRow>& faults,
                            const std::vector<PlaceColumn>& places,
                            const std::vector<CellResult>& cells) {
    int held = 0, failed = 0;
    for (const auto& cell : cells)
        (cell.Held() ? held : failed)++;

    std::string page =
        "# Reliability: faults on the line, place by place\n"
        "\n"
        "Written by the `fault_matrix` test (`tests/faultmatrix/`): the real `zr3config.exe` runs "
        "under Wine with COM1 on a zr3sim pseudo-terminal and is driven from another process "
        "through window messages only. Each cell injects one fault of the simulator at one place "
        "where the tool talks to the converter, and checks that the tool keeps running and "
        "answering, shows what it should, writes nothing that nobody entered or measured (the "
        "frame trace and the converter's stored settings before and after), and comes back on "
        "the next good answers. *held*: every check of the cell passed; *failed*: see the cell's "
        "line; *-*: not part of the matrix.\n"
        "\n"
        "Result of the last run: " +
        std::to_string(held) + " held, " + std::to_string(failed) + " failed.\n\n";

    page += "| fault |";
    for (const auto& place : places)
        page += " " + place.name + " |";
    page += "\n|---|";
    for (size_t i = 0; i < places.size(); ++i)
        page += "---|";
    page += "\n";
    for (const auto& fault : faults) {
        page += "| " + fault.name + " |";
        for (const auto& place : places) {
            const CellResult* cell = Find(cells, fault.name, place.name);
            page += cell == nullptr ? " - |" : (cell->Held() ? " held |" : " **failed** |");
        }
        page += "\n";
    }

    page += "\n## Faults\n\n";
    for (const auto& fault : faults)
        page += "- **" + fault.name + "**: " + fault.description + "\n";
    page += "\n## Places\n\n";
    for (const auto& place : places)
        page += "- **" + place.name + "**: " + place.description + "\n";

    page += "\n## Cells\n\n";
    for (const auto& fault : faults) {
        for (const auto& place : places) {
            const CellResult* cell = Find(cells, fault.name, place.name);
            if (cell == nullptr) continue;
            page += "- **" + fault.name + " / " + place.name + "** (" +
                    (cell->Held() ? "held" : "failed") +
                    "): " + Escaped(Joined(cell->checks, "; ")) + ".";
            if (!cell->Held())
                page += " **Did not hold:** " + Escaped(Joined(cell->failures, "; ")) + ".";
            page += "\n";
        }
    }
    return page;
}
