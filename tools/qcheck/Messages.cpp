#include "qcheck/Messages.h"

#include <algorithm>

namespace {

constexpr Severity W = Severity::Warning;
constexpr Severity E = Severity::Error;

// Numbers are never reused: a retired warning keeps its number unused.
const std::vector<MessageDef> kMessages = {
    // How the file reads.
    {1, E,
     "the file is UTF-16 text: Windows 95, 98 and Me read no such script, and nothing more was checked; "
     "save it in Shift-JIS (code page 932)",
     "ファイルが UTF-16 です。Windows 95/98/Me はこのスクリプトを読めません（これ以上は検査していません）。"
     "Shift-JIS（コードページ 932）で保存してください。"},
    {2, E,
     "the file starts with a UTF-8 byte-order mark: Windows reads it as part of the first line, so %1 is "
     "never read, and nothing more was checked; save it in Shift-JIS (code page 932)",
     "ファイルの先頭に UTF-8 の BOM があります。Windows はこれを 1 行目の一部として読むため %1 が読まれません"
     "（これ以上は検査していません）。Shift-JIS（コードページ 932）で保存してください。"},
    {3, W,
     "this line is UTF-8 text (%1): the installer reads Shift-JIS and shows it garbled; save the file in "
     "Shift-JIS (code page 932)",
     "この行は UTF-8 の文字列です（%1）。インストーラは Shift-JIS として読むため文字化けします。"
     "Shift-JIS（コードページ 932）で保存してください。"},
    {4, W, "bytes %1 are no Shift-JIS character: the installer reads them as \"・\"",
     "バイト %1 は Shift-JIS の文字ではありません。インストーラは「・」として読みます。"},
    // The structure the readers see.
    {10, W, "unknown section [%1]: the installer never reads it", "不明なセクション [%1] です。インストーラは読みません。",
     " (did you mean [%2]?)", "（[%2] の誤りではありませんか？）"},
    {11, W, "unknown key %1 in [%2]: the installer never reads it",
     "[%2] の不明なキー %1 です。インストーラは読みません。", " (did you mean %3?)", "（%3 の誤りではありませんか？）"},
    {12, W, "%1 is never read: the list in [%2] ends at %3, which is missing or empty",
     "%1 は読まれません。[%2] の一覧は、欠けているか空の %3 で終わります。"},
    {13, W, "section [%1] appears again: only the first one (line %2) is read, nothing under this header",
     "セクション [%1] が重複しています。読まれるのは最初のもの（%2 行目）だけで、この見出しの下は読まれません。"},
    {14, W, "key %1 appears again in [%2]: only the first one (line %3) is read",
     "[%2] のキー %1 が重複しています。読まれるのは最初のもの（%3 行目）だけです。"},
    {15, W, "this line is neither a section header nor a key with \"=\": it is ignored",
     "この行はセクションの見出しでも「=」のあるキーでもないため、無視されます。"},
    {16, W, "key %1 comes before the first section header: it is never read",
     "キー %1 は最初のセクション見出しより前にあるため、読まれません。"},
    {17, W, "%1 is never read: [%2] holds at most 20 numbers", "%1 は読まれません。[%2] の番号は 20 までです。"},
    {18, W, "[Relate] %1 has no %2: the association is dropped",
     "[Relate] の %1 に対応する %2 がないため、この関連付けは行われません。"},
    // Tokens and words the readers compare exactly.
    {20, W,
     "%1 is no registry root the installer knows ((Cuser), (Class), (Local), (Users), in exactly this "
     "case): the key goes to HKEY_CURRENT_USER\\%2",
     "%1 はインストーラの知っているレジストリのルート（(Cuser)、(Class)、(Local)、(Users)、大文字小文字もこのとおり）"
     "ではありません。キーは HKEY_CURRENT_USER\\%2 になります。",
     " (did you mean %3?)", "（%3 の誤りではありませんか？）"},
    {21, W,
     "\"%1\" is not the disk-change mark (exactly \"(Dch)\", at the very start): no disk is asked for and "
     "the text stays part of the path",
     "「%1」はディスク交換の指定（先頭にちょうど「(Dch)」）ではありません。ディスクは求められず、"
     "この文字列はパスの一部になります。"},
    {22, W, "%1 is no folder macro: it stays in the path as written",
     "%1 はフォルダマクロではないため、そのままパスに残ります。", " (did you mean %2?)",
     "（%2 の誤りではありませんか？）"},
    {23, W,
     "%1 is no type token the installer knows ((Str), (Exp), (Int), (Dwd), (Bin), in exactly this case): "
     "the whole value is written as the string \"%2\"",
     "%1 はインストーラの知っている型指定（(Str)、(Exp)、(Int)、(Dwd)、(Bin)、大文字小文字もこのとおり）ではありません。"
     "値全体が文字列「%2」として書かれます。",
     " (did you mean %3?)", "（%3 の誤りではありませんか？）"},
    {24, W, "%1 data \"%2\" is no number (decimal, or hexadecimal after \"$\"): 0 is written",
     "%1 のデータ「%2」は数値（10 進数、または「$」に続く 16 進数）ではありません。0 が書かれます。"},
    {25, W, "(Bin) data \"%1\" is no hexadecimal number: no value is written",
     "(Bin) のデータ「%1」は 16 進数ではありません。値は書かれません。"},
    {26, W, "%1 \"%2\" is not \"%3\" (compared exactly): %4",
     "%1 の「%2」は「%3」ではありません（大文字小文字も比較されます）。%5"},
    {27, W,
     "%1 \"%2\" is not one of ssVertical, ssHorizontal, ssBoth (compared exactly): the scroll bars stay as "
     "they are",
     "%1 の「%2」は ssVertical、ssHorizontal、ssBoth のどれでもありません（大文字小文字も比較されます）。"
     "スクロールバーは変わりません。"},
    {28, W, "[Extend] SetupSpeed \"%1\" is no decimal number: 350 ms is used",
     "[Extend] SetupSpeed の「%1」は 10 進数ではありません。350 ミリ秒が使われます。"},
    // The files of the package.
    {30, E, "source %1 is not %2", "コピー元 %1 が%3ありません。"},
    {31, W, "%1 is in the package, but nothing uses it", "%1 はパッケージにありますが、何にも使われていません。"},
    {32, W, "%1 ends in \"_\" but is not compressed (SZDD): it is installed unchanged as %2",
     "%1 は「_」で終わっていますが圧縮（SZDD）されていません。そのまま %2 としてインストールされます。"},
    {33, W,
     "compressed %1 does not store the last character of its name: it is installed as %2 (store it, as "
     "qpack does, or give the name after \"|\")",
     "圧縮された %1 は名前の最後の文字を保存していないため、%2 としてインストールされます"
     "（qpack のように保存するか、「|」の後に名前を書いてください）。"},
    {34, W, "\"/R\" registers components (.DLL, .OCX) only: %1 is none",
     "「/R」で登録できるのはコンポーネント（.DLL、.OCX）だけです。%1 はコンポーネントではありません。"},
    {35, W, "%1 is in the installation folder, but no [CopyFile] entry installs it",
     "%1 はインストールフォルダにありますが、どの [CopyFile] エントリもインストールしません。"},
    {36, W, "%1 is not on disk 1: %2", "%1 が 1 枚目のディスクにありません。%3"},
    {37, W, "SETUP.EXE is not in the package", "SETUP.EXE がパッケージにありません。"},
    // Paths on the machine.
    {40, E, "%1 is %2 bytes long: Windows takes at most %3 (with the default installation folder)",
     "%1 は %2 バイトあります。Windows で使えるのは %3 バイトまでです（既定のインストールフォルダの場合）。"},
    {41, E, "%1 holds \"%2\", which no file or folder name may hold",
     "%1 には、ファイル名やフォルダ名に使えない「%2」があります。"},
    {42, E, "%1 is no full path (a drive or a share and a folder): it is taken relative to the current folder",
     "%1 は完全なパス（ドライブまたは共有とフォルダ）ではありません。その時のカレントフォルダからのパスになります。"},
    {43, E, "the folder %1 of %2 is neither on the machine nor made by [MakeFolder] before: %3",
     "%2 のフォルダ %1 は、マシンにもなく、それより前の [MakeFolder] でも作られません。%4"},
    {44, W,
     "the uninstaller never removes %1 (a drive root, the Windows, system, temporary or Program Files "
     "folder, a shell folder, or a folder holding one): it stays after uninstalling",
     "アンインストーラは %1（ドライブのルート、Windows・システム・一時・Program Files フォルダ、シェルフォルダ、"
     "またはそれらを含むフォルダ）を削除しません。アンインストール後も残ります。"},
    {45, W, "%1 leads out of the installation folder through \"..\": %2",
     "%1 は「..」でインストールフォルダの外に出ます（%2）。"},
    {46, W, "the uninstaller refuses %1: %2", "アンインストーラは %1 を拒否します。%3"},
    {48, E,
     "registry key %1 is %2 characters long with its root: Windows takes at most 255 for a key name, so the "
     "installation ends with a registry error",
     "レジストリキー %1 はルートを含めて %2 文字あります。Windows のキー名は 255 文字までのため、インストールはレジストリ"
     "エラーで終わります。"},
    {49, E,
     "registry value name %1 is %2 bytes long: a value name takes at most 16383, so the installation ends with "
     "a registry error",
     "レジストリの値の名前 %1 は %2 バイトあります。値の名前は 16383 バイトまでのため、インストールはレジストリエラーで"
     "終わります。"},
    {47, W, "option pattern %1 leads out of the installation folder: the uninstaller refuses it",
     "オプションのパターン %1 はインストールフォルダの外を指すため、アンインストーラは拒否します。"},
    // The entry in the list of installed programs.
    {50, E, "[Title] UnSetupKey is empty: the entry would be the list of installed programs itself",
     "[Title] UnSetupKey が空です。登録先がインストール済みプログラムの一覧そのものになります。"},
    {51, W,
     "no [Title] UnSetupKey: the entry of the installed programs is named after the title \"%1\", which "
     "changes with it (and the default title is shared with every package that sets none)",
     "[Title] UnSetupKey がありません。インストール済みプログラムの登録名がタイトル「%1」になり、タイトルが変わると"
     "変わります（既定のタイトルは、設定しないすべてのパッケージで共通です）。"},
    {52, W, "[Title] UnSetupKey \"%1\" holds a version number: the next version makes a second entry",
     "[Title] UnSetupKey「%1」にバージョン番号が含まれています。次のバージョンでは別の登録になります。"},
    {53, W, "[Title] UnSetupKey \"%1\" holds \"\\\": the entry becomes a key below another one",
     "[Title] UnSetupKey「%1」に「\\」が含まれています。登録が別のキーの下になります。"},
    {54, W, "no [Support] DisplayVersion: the list of installed programs shows no version",
     "[Support] DisplayVersion がありません。インストール済みプログラムの一覧にバージョンが表示されません。"},
    // The uninstall record (--record).
    {60, W, "%1 holds a wildcard: installed files and shortcuts never do, so the uninstaller refuses it",
     "%1 にワイルドカードがあります。インストールしたファイルやショートカットにはないため、アンインストーラは拒否します。"},
    {61, E,
     "[UnSetupRegistryKey] Key %1 is not below SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\: "
     "the uninstaller leaves the entry",
     "[UnSetupRegistryKey] Key の %1 は SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ の下ではないため、"
     "アンインストーラは登録を削除しません。"},
    {62, E, "[SetupFolder] Folder \"%1\" is no full path: the uninstaller removes nothing of the folder",
     "[SetupFolder] Folder の「%1」は完全なパスではないため、アンインストーラはフォルダを削除しません。"},
    // The checker itself.
    {90, W, "%1 is no warning number of the checker", "%1 はチェッカーの警告番号ではありません。"},
};

} // namespace

const MessageDef* FindMessage(int code)
{
    const auto it = std::find_if(kMessages.begin(), kMessages.end(),
                                 [code](const MessageDef& m) { return m.code == code; });
    return it == kMessages.end() ? nullptr : &*it;
}

const std::vector<MessageDef>& AllMessages()
{
    return kMessages;
}

std::string FormatText(const MessageDef& def, Language language, const std::vector<std::string>& args)
{
    std::string text = language == Language::Japanese ? def.ja : def.en;
    const char* hint = language == Language::Japanese ? def.jaHint : def.enHint;
    if (hint && !args.empty() && !args.back().empty()) text += hint;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // "%" and a digit is an argument; the texts are CP932, whose trail bytes are
        // never "%" (0x25, below every trail byte).
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < args.size()) out += args[n];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
