#pragma once

class AppTaskBase;

// Creates the extraction task held by the application object. The program
// supplies the definition; the object lives until the process ends.
AppTaskBase* createExtractionTask();
