// What the lower folders report reaches the installed reporter, and standard
// error when none is installed.
#include <gtest/gtest.h>

#include <string>

#include "host_access/reporter.h"

namespace {

struct Heard {
    int alerts = 0;
    int cancels = 0;
    std::string warning;
    double fraction = -1;
};
Heard gHeard;

class ReporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = InstalledReporter();
        gHeard = Heard{};
    }
    void TearDown() override { InstallReporter(saved_); }
    const Reporter* saved_ = nullptr;
};

TEST_F(ReporterTest, WithoutAReporterEachReportIsALineOnStandardError) {
    InstallReporter(nullptr);
    testing::internal::CaptureStderr();
    ReportProgress(0.25);
    ReportMemoryAlert();
    ReportCancelling();
    ReportWarning("2 seams of output mode 425 have no glue tab");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "progress 25%\nCan\u2019t get memory to run this plug-in.\ncancelling\n"
              "Vornesk 2: 2 seams of output mode 425 have no glue tab\n");
}

TEST_F(ReporterTest, AnInstalledReporterHearsEverythingAndStandardErrorNothing) {
    Reporter r;
    r.memoryAlert = [] { ++gHeard.alerts; };
    r.progress = [](double f) { gHeard.fraction = f; };
    r.cancelling = [] { ++gHeard.cancels; };
    r.warning = [](const char* text) { gHeard.warning = text; };
    InstallReporter(&r);
    testing::internal::CaptureStderr();
    ReportWarning("no tab");
    ReportProgress(0.5);
    ReportMemoryAlert();
    ReportCancelling();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(gHeard.alerts, 1);
    EXPECT_EQ(gHeard.cancels, 1);
    EXPECT_EQ(gHeard.warning, "no tab");
    EXPECT_EQ(gHeard.fraction, 0.5);

    // A reporter without one of the functions leaves that report to standard error.
    Reporter partial;
    partial.progress = r.progress;
    InstallReporter(&partial);
    testing::internal::CaptureStderr();
    ReportWarning("alone");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Vornesk 2: alone\n");
}

}  // namespace
