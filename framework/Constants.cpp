// The program-wide string constants.

#include "Constants.h"

namespace txt {
const char* const FrameworkVersion = "1.0.0.2";
const char* const ConfigurationType = "Data Extractor";
const char* const ConfigFileName = "QMConfig.xml";
const char* const QuenmarkFolder = "Quenmark";
const char* const DocumentsLogFolder = "Tamberlyn Software/Logs";
const char* const BridgeStatusFile = "BridgeStatus.tmp";
const char* const StatusFileSuffix = "Status.tmp";
const char* const FinishedFile = "finished.tmp";
const char* const FinishedWord = "finished";
const char* const ExtractRunning = "Extract Running";
const char* const Succeeded = "Succeeded";
const char* const Failed = "Failed";
const char* const FailedOnExtraction = "Failed on extraction.";
const char* const StatusDateFormat = "yyyy/MM/dd hh:mm:ss";
const char* const LogDateFormat = "yyyy-MM-dd";
const char* const LogFileError = "Log File Error";
const char* const Validated = "Validated.";
const char* const ListTypeNotSetUp = "List type not set up.";
const char* const MissingOrBlank = " missing or blank.";
const char* const ExecuteNotDefined = "Execute not defined correctly in ExpEngine.";
const char* const NotSetUpYet = "Not set up yet.";
}  // namespace txt
