// The keyword table: the program's shared vocabulary.

#include "Keywords.h"

namespace {
QList<const Keyword*>& registry()
{
    static QList<const Keyword*> words;
    return words;
}
}  // namespace

Keyword::Keyword(const char* text) : m_text(QString::fromLatin1(text)), m_number(registry().size() + 1)
{
    registry().append(this);
}

const QList<const Keyword*>& Keyword::all()
{
    return registry();
}

const Keyword* Keyword::find(const QString& text)
{
    for (const Keyword* word : registry()) {
        if (word->text() == text)
            return word;
    }
    return nullptr;
}

namespace kw {
const Keyword Help("help");
const Keyword Params("params");
const Keyword Defaults("defaults");
const Keyword Version("version");
const Keyword Test("test");
const Keyword Run("run");

const Keyword All("all");
const Keyword Att("att");
const Keyword Demo("demo");
const Keyword Group("group");
const Keyword ParamKey("paramkey");
const Keyword Path("path");
const Keyword LogPath("logpath");
const Keyword Log("log");
const Keyword Validate("validate");
const Keyword InactiveDate("inactivedate");
const Keyword Year("year");
const Keyword Teacher("teacher");
const Keyword School("school");
const Keyword Pwd("pwd");
const Keyword PwdEncode("pwdencode");
const Keyword LogSchema("logSchema");

const Keyword TypeLabel("label");
const Keyword TypeHeader("header");
const Keyword TypeList("list");
const Keyword TypeSchoolList("school_list");
const Keyword TypeDistrictList("district_list");
const Keyword TypeYearList("year_list");
const Keyword TypeFilterList("filter_list");
const Keyword TypeBridgeList("bridgelist");
const Keyword TypeDatasourceList("datasource_list");
const Keyword TypeEdit("edit");
const Keyword TypePassword("password");
const Keyword TypeFlag("flag");
const Keyword TypeFlagText("flagtext");
const Keyword TypeFile("file");
const Keyword TypeFolder("folder");
const Keyword TypeDate("date");
const Keyword TypeNumber("number");
const Keyword TypeSwitch("switch");
const Keyword TypeDefault("default");
const Keyword TypeHidden("hidden");
const Keyword TypeTree("tree");

const Keyword GroupGlobal("global");
const Keyword GroupConnection("connection");
const Keyword GroupSchool("school");

const Keyword TagVersion("version");
const Keyword TagParams("params");
const Keyword TagHiddenParam("hidden_param");
const Keyword TagTree("tree");
const Keyword TagHidden("hidden");
const Keyword TagFile("file");
const Keyword TagNumber("number");
const Keyword TagDate("date");
const Keyword TagTest("test");
const Keyword TagStatus("status");
const Keyword TagManage("manage");
const Keyword TagStartProgress("start_progress");
const Keyword TagIncProgress("inc_progress");
const Keyword TagWarnProgress("warn_progress");
const Keyword TagEndProgress("end_progress");
const Keyword TagStartSetting("start_setting");
const Keyword TagSetting("setting");
const Keyword TagEndSetting("end_setting");
const Keyword TagWarning("warning");
const Keyword TagMissing("missing");
const Keyword TagError("error");
const Keyword TagLog("log");
const Keyword TagSuccess("success");
const Keyword TagFail("fail");

const Keyword LogOff("off");
const Keyword LogConsoleOff("consoleoff");
const Keyword LogFileOff("fileoff");
const Keyword LogExtract("extract");
const Keyword True("true");
const Keyword False("false");
}  // namespace kw
