// Running the pre-install checker (declared in ScriptGeneral.h), apart from the reading
// of the script: it starts a program and deletes its answer file.
#include "scripts/ScriptGeneral.h"

#include "foundation/FilePrim.h"
#include "services/FileOps.h"
#include "services/Launch.h"

CheckerResult RunInstallChecker(Host& host, const std::string& appFolder, const std::string& windowsFolder,
                                const std::string& checker, bool& ran)
{
    ran = false;
    const std::string path = ProgramFolderPath(appFolder, checker);
    if (checker.empty() || FileAge(path) == -1) return CheckerResult{true, {}};
    ran = true;
    // Started from the program folder, where its existence was tested.
    RunAndWait(host, path, "");
    const std::string resultFile = windowsFolder + "QSRESULT.INI";
    const CheckerResult result = ReadCheckerResult(resultFile);
    DeleteFiles(host, resultFile);
    host.Log(std::string("チェックプログラム ") + path + " -> " + (result.allowed ? "続行" : "中止"));
    return result;
}
