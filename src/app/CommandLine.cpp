#include "app/CommandLine.h"

#include "foundation/uStrOp.h"

#include <windows.h>

namespace {

// One token of a command line: quotes group blanks and are removed.
std::size_t NextToken(const std::string& line, std::size_t pos, std::string& token)
{
    token.clear();
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    bool quoted = false;
    for (; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            break;
        } else {
            token += c;
        }
    }
    return pos;
}

std::string Upper(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// The value of "/NAME=value" when token is that switch (any letter case); a bare
// "/NAME" is that switch without its value.
bool ValueSwitch(const std::string& token, const char* name, std::string& value)
{
    const std::string head = std::string(name) + "=";
    if (Upper(token) == name) {
        value.clear();
        return true;
    }
    if (Upper(token.substr(0, head.size())) != head) return false;
    value = token.substr(head.size());
    return true;
}

// Switches installers of this kind take that mean nothing here: which applications to
// close or restart (this program closes none). /LANG= (the texts are Japanese) likewise.
bool IgnoredSwitch(const std::string& name)
{
    for (const char* known :
         {"/CLOSEAPPLICATIONS", "/NOCLOSEAPPLICATIONS", "/RESTARTAPPLICATIONS", "/NORESTARTAPPLICATIONS"})
        if (name == known) return true;
    return false;
}

} // namespace

CommandLine ParseCommandLine(const std::string& commandLine)
{
    CommandLine cl;
    std::string token;
    std::size_t pos = NextToken(commandLine, 0, token); // the program itself
    std::vector<std::string> words;
    bool first = true;
    while ((pos = NextToken(commandLine, pos, token)) && !token.empty()) {
        if (first) cl.firstParameter = token;
        const bool isFirst = first;
        first = false;
        if (token[0] != '/') {
            // Only the first parameter is a word of its own (the record of the uninstaller).
            if (!isFirst) words.push_back(token);
            continue;
        }
        cl.switches.push_back(token);
        const std::string name = Upper(token);
        std::string value;
        if (name == "/SILENT") cl.silent = true;
        else if (name == "/VERYSILENT") cl.verySilent = true;
        else if (name == "/SUPPRESSMSGBOXES") cl.suppressMsgBoxes = true;
        else if (name == "/NORESTART") cl.noRestart = true;
        else if (name == "/NOCANCEL") cl.noCancel = true;
        else if (name == "/SP-") continue; // accepted from tools that pass it to every installer
        else if (name == "/?") cl.help = true;
        else if (name == "/LOG") cl.defaultLog = true;
        else if (IgnoredSwitch(name)) cl.ignored.push_back(token);
        else if (ValueSwitch(token, "/DIR", value)) {
            cl.dir = value;
            if (value.empty()) cl.errors.push_back(token + " : フォルダが指定されていません");
        } else if (ValueSwitch(token, "/LOG", value)) {
            cl.log = value;
            if (value.empty()) cl.errors.push_back(token + " : ファイルが指定されていません");
        } else if (ValueSwitch(token, "/LANG", value)) {
            if (value.empty()) cl.errors.push_back(token + " : 言語が指定されていません");
            else cl.ignored.push_back(token);
        } else {
            cl.errors.push_back(token + " : 不明なスイッチです");
        }
    }
    // A word beside switches is a mistake, such as a folder with blanks left unquoted; the
    // plain wizard ignores such words as it always has.
    if (cl.AnySwitch()) {
        for (const std::string& word : words) cl.errors.push_back(word + " : 不明なパラメータです");
    }
    return cl;
}

std::string FirstCommandLineParameter(const std::string& commandLine)
{
    return ParseCommandLine(commandLine).firstParameter;
}

std::string CommandLineHelp()
{
    return "Quillon Installer のコマンドライン\r\n"
           "\r\n"
           "  SETUP.EXE [スイッチ ...]\r\n"
           "  UNQUILLN.EXE \"<フォルダ>\\UNSETUP.INI\" [スイッチ ...]\r\n"
           "\r\n"
           "  /SILENT             進行状況のウィンドウだけを表示します\r\n"
           "  /VERYSILENT         ウィンドウを表示しません\r\n"
           "  /SUPPRESSMSGBOXES   すべての質問に既定の答えを使います\r\n"
           "  /DIR=\"フォルダ\"     インストールフォルダを指定します\r\n"
           "  /LOG=\"ファイル\"     ログをこのファイルに追記します\r\n"
           "  /LOG                ログを一時フォルダに書きます\r\n"
           "  /NORESTART          Windowsを再起動しません\r\n"
           "  /NOCANCEL           中断できないようにします\r\n"
           "  /SP-  /LANG=...  /CLOSEAPPLICATIONS  /NOCLOSEAPPLICATIONS\r\n"
           "  /RESTARTAPPLICATIONS  /NORESTARTAPPLICATIONS\r\n"
           "                      何もしません（互換のため）\r\n"
           "  /?                  この説明を表示します\r\n"
           "\r\n"
           "終了コード:\r\n"
           "  0     成功\r\n"
           "  3010  成功（完了するにはWindowsの再起動が必要）\r\n"
           "  1641  成功（Windowsを再起動しました）\r\n"
           "  1     一部の処理が失敗しました（ログを参照）\r\n"
           "  2     コマンドラインが正しくありません\r\n"
           "  3     前提条件により中止しました\r\n"
           "  4     取り消されました\r\n"
           "  5     致命的なエラー\r\n"
           "  1618  別のインストーラが実行中です（後で再試行してください）\r\n";
}
