#include "UndoProgram.h"

#include "PutBack.h"
#include "StoredRuns.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "log/UndoFileFormat.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"

namespace undo {

namespace {
const char kSourceFile[] = "RemendoUndo";
const char kLogName[] = "Remendo-undo.log";
const char kCaption[] = "remendo-undo";

// Log texts: the repair's question and answer idiom.
const char kWhichRuns[] = "- Which runs of Remendo can be undone?";
const char kRunFound[] = "--- %s";
const char kNotRead[] = "--- Not read: %s (undo files are read only from %s)";
const char kStoreRefused[] = "The undo store %s is refused, %s: no run in it is read";
const char kNoRun[] = "--- None: no run is left to undo";
const char kRefused[] = "The undo file %s is refused, %s: nothing of it is put back";
const char kHoldsNothing[] = "--- %s holds nothing left to put back: marked as undone";
const char kUndoRun[] = "- Undo the run of %s (%s)?";
const char kYes[] = "--- Yes";
const char kNo[] = "--- No, it and any older run stay as they are";
const char kNotFinished[] = "--- Not all of it is back: it is offered again";
const char kCannotMark[] = "Couldn't mark %s as undone";

// Texts of the boxes.
const char kQuestion[] = "Undo the Remendo run of %s? It puts back %s.";
const char kNothingFound[] = "There is no run of Remendo to undo.";
const char kReportPutBack[] = "Put back: %s.";
const char kReportNothing[] = "Nothing was put back.";
const char kReportLeft[] = "Left as they are, because they changed since the run: %s.";
const char kReportMissing[] = "Left as they are, because the undo's copy is missing: %s.";
const char kReportFailed[] = "Could not be put back (see Remendo-undo.log): %s.";
const char kReportRestart[] = "Restart the computer to finish putting back %s.";
const char kReportRefused[] = "Refused, so nothing of it is put back: %s.";
const char kReportNotRead[] = "Not read, because undo files are read only from %s: %s.";

int Ask(const std::string& text, UINT style)
{
    return Win().MessageBoxA(nullptr, text.c_str(), kCaption, style);
}

// What the undo did not read, and why: said in the final box too, not only in the log.
struct NotRead {
    std::vector<Refusal> refused;
    std::vector<std::string> elsewhere;
    std::string store;  // where undo files are read from

    bool Empty() const { return refused.empty() && elsewhere.empty(); }
    std::string Text() const
    {
        std::string text;
        if (!refused.empty()) {
            std::vector<std::string> items;
            for (const Refusal& refusal : refused)
                items.push_back(refusal.path + " (" + refusal.why + ")");
            text += "\n\n" + Format(kReportRefused, {Listed(items)});
        }
        if (!elsewhere.empty())
            text += "\n\n" + Format(kReportNotRead, {store, Listed(elsewhere)});
        return text;
    }
};

std::string Report(const Outcome& outcome, const NotRead& notRead)
{
    std::string text = outcome.putBack.Empty() ? std::string(kReportNothing)
                                               : Format(kReportPutBack, {outcome.putBack.Text()});
    const std::pair<const Tally*, const char*> parts[] = {{&outcome.left, kReportLeft},
                                                          {&outcome.missing, kReportMissing},
                                                          {&outcome.failed, kReportFailed},
                                                          {&outcome.atRestart, kReportRestart}};
    for (const auto& part : parts) {
        if (!part.first->Empty())
            text += "\n\n" + Format(part.second, {part.first->Text()});
    }
    if (!outcome.copiesRefused.empty())
        text += "\n\n" + Format(kReportRefused, {Listed(outcome.copiesRefused)});
    return text + notRead.Text();
}

// The run will not be offered again: a file beside its undo file says so.
void MarkUndone(const std::string& undoPath)
{
    KernelHandle file(NullIfInvalid(Win().CreateFileA(UndoneMarker(undoPath).c_str(), GENERIC_WRITE, 0, nullptr,
                                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file.IsOpen() && Win().GetLastError() != ERROR_FILE_EXISTS) {
        DebugLog log("MarkUndone", kSourceFile);
        log.LogLastError(Format(kCannotMark, {undoPath}));
    }
}

// The runs of the stores, and the undo files elsewhere, which are named only.
std::vector<StoredRun> FindRuns(DebugLog& log, Stores& stores, NotRead& notRead)
{
    std::vector<std::string> storeFolders = StoreFolders();
    notRead.store = storeFolders.empty() ? std::string() : storeFolders.front();
    stores.Open(storeFolders, notRead.refused);
    for (const Refusal& refusal : notRead.refused)
        log.Error(Format(kStoreRefused, {refusal.path, refusal.why}));
    std::vector<StoredRun> runs = stores.Runs();
    for (const StoredRun& run : runs)
        log.Writef(kRunFound, run.path);
    std::string programDir = ProgramDirectory(), tempDir = TempDirectory();
    for (const std::string& path : UndoFilesIn({programDir, Upper(tempDir) == Upper(programDir) ? "" : tempDir})) {
        log.Write(Format(kNotRead, {path, notRead.store}));
        notRead.elsewhere.push_back(path);
    }
    return runs;
}
}  // namespace

int RunUndoProgram()
{
    std::string programDir = ProgramDirectory();
    DebugLog::SetTempLogName(kLogName);
    std::string logPath = programDir + kLogName;
    Win().DeleteFileA(logPath.c_str());
    DebugLog log("RunUndoProgram", kSourceFile, logPath);
    DebugLog::SetErrorBoxes(nullptr);

    log.Write(kWhichRuns);
    Stores stores;
    NotRead notRead;
    std::vector<StoredRun> runs = FindRuns(log, stores, notRead);
    if (runs.empty())
        log.Write(kNoRun);

    ChangeablePlaces places = RunChangeablePlaces();
    Outcome outcome;
    bool asked = false;
    for (const StoredRun& run : runs) {
        UndoRecord record;
        std::string bytes, problem;
        if (!ReadChecked(run.path, undoformat::kMostFileBytes, bytes, problem) ||
            !ReadUndoFile(run.path, bytes, places, record, problem)) {
            log.Error(Format(kRefused, {run.path, problem}));
            notRead.refused.push_back({run.path, problem});
            continue;
        }
        Tally left = WhatIsLeft(record);
        if (left.Empty()) {
            log.Writef(kHoldsNothing, run.path);
            MarkUndone(run.path);
            continue;
        }
        // A file without the run's date line is named by itself.
        std::string runName = record.runDate.empty() ? FileName(run.path) : record.runDate;
        log.Write(Format(kUndoRun, {runName, run.path}));
        asked = true;
        if (Ask(Format(kQuestion, {runName, left.Text()}), MB_YESNO | MB_ICONQUESTION) != IDYES) {
            log.Write(kNo);
            break;
        }
        log.Write(kYes);
        if (PutBackRun(record, outcome))
            MarkUndone(run.path);
        else
            log.Write(kNotFinished);
    }
    if (!asked) {
        Ask(kNothingFound + notRead.Text(), MB_OK | (notRead.Empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
        return 0;
    }
    bool clean = outcome.failed.Empty() && outcome.missing.Empty() && notRead.Empty();
    Ask(Report(outcome, notRead), MB_OK | (clean ? MB_ICONINFORMATION : MB_ICONWARNING));
    return 0;
}

}  // namespace undo
