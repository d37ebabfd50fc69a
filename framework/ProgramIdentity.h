#pragma once

// The program's title, names, versions and files.

class AppBase;

// The program's title, names, versions and files: the same for the bridge and for
// the framework's own program.
void SetProgramIdentity(AppBase& app);
