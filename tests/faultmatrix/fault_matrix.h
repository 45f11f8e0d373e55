// The cells of the fault matrix: each fault of the simulator at each place where the tool talks
// to the converter, run one after another against one running tool.
#pragma once

#include <string>
#include <vector>

#include "tests/driver/simulator_channel.h"
#include "tests/driver/tool_session.h"
#include "tests/faultmatrix/reliability_report.h"

struct LineFault {
    std::string name;         // row of the table
    std::string words;        // the simulator's fault command without its count
    std::string description;  // what the tool sees
    bool restart = false;     // not a spoiled answer: the simulator ends and starts anew
};

struct DialogKind;
class CellRun;

class FaultMatrix {
  public:
    FaultMatrix(ToolSession& tool, SimulatorChannel& sim) : tool(tool), sim(sim) {}

    static const std::vector<LineFault>& Faults();
    static std::vector<FaultRow> Rows();
    static std::vector<PlaceColumn> Columns();

    // Connects to the simulator with a clean line; false when the matrix cannot start.
    bool SetUp(std::string& error);
    // Runs the cells whose "fault/place" contains `filter` (all for an empty one).
    void Run(const std::string& filter);
    const std::vector<CellResult>& results() const { return cells; }

  private:
    void RunCell(const LineFault& fault, const std::string& place, const std::string& filter);
    void ConnectCell(CellRun& run, const LineFault& fault);
    void PollingCell(CellRun& run, const LineFault& fault);
    void DialogOpeningCell(CellRun& run, const LineFault& fault, const DialogKind& dialog);
    void RestartConnectCell(CellRun& run);
    void RestartPollingCell(CellRun& run);
    void RestartDialogCell(CellRun& run, const DialogKind& dialog);
    void CableMeasuringCell(CellRun& run, const LineFault& fault);
    void ProbeMeasuringCell(CellRun& run, const LineFault& fault);
    void TableMeasuringCell(CellRun& run, const LineFault& fault);
    void SensorWriteCell(CellRun& run, const LineFault& fault);
    void CloseRequestCell(CellRun& run, const DialogKind& dialog);
    void UnwritableDataFileCell(CellRun& run);
    // Measures one point in the open probe table dialog; false when it did not end.
    bool MeasureTablePoint(CellRun& run, HWND window);

    HWND OpenDialog(CellRun& run, const DialogKind& dialog);
    void ReopenClean(CellRun& run, const DialogKind& dialog);
    // Sets the cell's temperature and expects the next poll to show the converter's values.
    void ExpectMainRecovers(CellRun& run);
    bool StopSimulator(CellRun& run);
    bool RestartSimulator(CellRun& run);
    // Puts the tool back into the state every cell starts from after a cell that failed.
    void Tidy();

    ToolSession& tool;
    SimulatorChannel& sim;
    std::vector<CellResult> cells;
    int cellNumber = 0;
    bool toolEnded = false;
};
