#include "uninstall/DeletionQuestions.h"

std::string SharedFileQuestion(const std::string& path)
{
    return std::string(path)
        .append("\r\n\r\n")
        .append("この共有ファイルは、現在、他のどのプログラムからも使われていません。\r\n")
        .append("しかし、今後、他のプログラムで使われる可能性があります。\r\n")
        .append("このファイルを削除してもよろしいですか？");
}

std::string ConfirmQuestion(const std::string& path)
{
    return path + "\r\n\r\nこのファイルを削除してもよろしいですか？\r\n\r\n<<　注意　>>\r\n"
                  "DLL/OCXなどは他のプログラムでも使用される可能性があります。\r\n"
                  "確実に使用されないことがわかっている場合のみ削除してください。";
}

std::string ComponentQuestion(const std::string& path)
{
    return path + "\r\n\r\nこのDLL/OCXファイルは、共有登録されていませんが、\r\n"
                  "今後、他のプログラムで使われる可能性があります。\r\n"
                  "このファイルを削除してもよろしいですか？";
}
