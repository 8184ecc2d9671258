// How the plug-in tells its user what happens: the memory alert, warnings about a picture that is written all the same and the
// progress of long work reach the dialog through the
// functions the entry installs at start. With none installed (a test of a
// lower folder, a tool) they go to standard error.
#pragma once

struct Reporter {
    void (*memoryAlert)() = nullptr;
    void (*warning)(const char* text) = nullptr;       // one line, zero-terminated UTF-8
    void (*progress)(double fraction) = nullptr;       // 0 to 1
    void (*cancelling)() = nullptr;                    // the user asked to stop
};

// Installs `reporter` (kept by address; null: none). Main thread.
void InstallReporter(const Reporter* reporter);
const Reporter* InstalledReporter();

void ReportMemoryAlert();
// Something the user should know about a render that goes on (a net drawn
// with seams that have no glue tab). Standard error says "Vornesk 2: " first.
void ReportWarning(const char* text);
void ReportProgress(double fraction);
void ReportCancelling();
