#include "support/program_run.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "build_paths.h"

ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(environment);
    QStringList args;
    for (const auto& a : arguments) args << QString::fromStdString(a);
    program.start(QString::fromStdString(path), args);
    program.closeWriteChannel();  // nothing to answer a prompt with
    ProgramRun run;
    if (!program.waitForFinished(120000)) {
        program.kill();
        program.waitForFinished();
        ADD_FAILURE() << "varelo did not end";
        return run;
    }
    run.code = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = program.readAllStandardOutput().toStdString();
    run.err = program.readAllStandardError().toStdString();
    return run;
}

ProgramRun RunVarelo(const std::vector<std::string>& arguments) {
    return RunProgram(VARELO_PROGRAM_DIR "/varelo", arguments);
}
