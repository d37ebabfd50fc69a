#pragma once

// Keyword and the keyword table: the program's shared vocabulary.

#include <QList>
#include <QString>

// A word of the program's shared vocabulary, numbered in order of creation.
class Keyword
{
public:
    explicit Keyword(const char* text);

    const QString& text() const { return m_text; }
    int number() const { return m_number; }
    operator const QString&() const { return m_text; }
    bool operator==(const QString& other) const { return m_text == other; }
    bool operator!=(const QString& other) const { return m_text != other; }

    // Every keyword in order of creation.
    static const QList<const Keyword*>& all();
    // The keyword with this text, or null.
    static const Keyword* find(const QString& text);

private:
    QString m_text;
    int m_number;
};

inline bool operator==(const QString& text, const Keyword& word)
{
    return word == text;
}
inline bool operator!=(const QString& text, const Keyword& word)
{
    return word != text;
}

namespace kw {
// Commands.
extern const Keyword Help;
extern const Keyword Params;
extern const Keyword Defaults;
extern const Keyword Version;
extern const Keyword Test;
extern const Keyword Run;

// Switches.
extern const Keyword All;
extern const Keyword Att;
extern const Keyword Demo;
extern const Keyword Group;
extern const Keyword ParamKey;
extern const Keyword Path;
extern const Keyword LogPath;
extern const Keyword Log;
extern const Keyword Validate;
extern const Keyword InactiveDate;
extern const Keyword Year;
extern const Keyword Teacher;
extern const Keyword School;
extern const Keyword Pwd;
extern const Keyword PwdEncode;
extern const Keyword LogSchema;

// Parameter types.
extern const Keyword TypeLabel;
extern const Keyword TypeHeader;
extern const Keyword TypeList;
extern const Keyword TypeSchoolList;
extern const Keyword TypeDistrictList;
extern const Keyword TypeYearList;
extern const Keyword TypeFilterList;
extern const Keyword TypeBridgeList;
extern const Keyword TypeDatasourceList;
extern const Keyword TypeEdit;
extern const Keyword TypePassword;
extern const Keyword TypeFlag;
extern const Keyword TypeFlagText;
extern const Keyword TypeFile;
extern const Keyword TypeFolder;
extern const Keyword TypeDate;
extern const Keyword TypeNumber;
extern const Keyword TypeSwitch;
extern const Keyword TypeDefault;
extern const Keyword TypeHidden;
extern const Keyword TypeTree;

// Parameter groups.
extern const Keyword GroupGlobal;
extern const Keyword GroupConnection;
extern const Keyword GroupSchool;

// Message tags.
extern const Keyword TagVersion;
extern const Keyword TagParams;
extern const Keyword TagHiddenParam;
extern const Keyword TagTree;
extern const Keyword TagHidden;
extern const Keyword TagFile;
extern const Keyword TagNumber;
extern const Keyword TagDate;
extern const Keyword TagTest;
extern const Keyword TagStatus;
extern const Keyword TagManage;
extern const Keyword TagStartProgress;
extern const Keyword TagIncProgress;
extern const Keyword TagWarnProgress;
extern const Keyword TagEndProgress;
extern const Keyword TagStartSetting;
extern const Keyword TagSetting;
extern const Keyword TagEndSetting;
extern const Keyword TagWarning;
extern const Keyword TagMissing;
extern const Keyword TagError;
extern const Keyword TagLog;
extern const Keyword TagSuccess;
extern const Keyword TagFail;

// Log styles (targets of the log switch).
extern const Keyword LogOff;
extern const Keyword LogConsoleOff;
extern const Keyword LogFileOff;
extern const Keyword LogExtract;
extern const Keyword True;
extern const Keyword False;
}  // namespace kw
