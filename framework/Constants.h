#pragma once

// Program-wide texts.
namespace txt {
extern const char* const FrameworkVersion;
extern const char* const ConfigurationType;
extern const char* const ConfigFileName;
extern const char* const QuenmarkFolder;
extern const char* const DocumentsLogFolder;
extern const char* const BridgeStatusFile;
extern const char* const StatusFileSuffix;
extern const char* const FinishedFile;
extern const char* const FinishedWord;
extern const char* const ExtractRunning;
extern const char* const Succeeded;
extern const char* const Failed;
extern const char* const FailedOnExtraction;
extern const char* const StatusDateFormat;
extern const char* const LogDateFormat;
extern const char* const LogFileError;
extern const char* const Validated;
extern const char* const ListTypeNotSetUp;
extern const char* const MissingOrBlank;
extern const char* const ExecuteNotDefined;
extern const char* const NotSetUpYet;
}  // namespace txt
