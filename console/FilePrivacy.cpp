#include "console/FilePrivacy.h"

#include <string>
#include <vector>

#include "platform/core/Files.h"
#include "platform/core/Path.h"
#include "platform/core/Text.h"

namespace {

// The main store, the engines' trading logs and their journals all begin so.
constexpr char kStorePrefix[] = "db_Velmora";

void AddLine(CString& lines, const CString& path) {
    lines += "\n" + path;
}

} // namespace

CString KeepStoreFilesPrivate(const CString& basePath) {
    const CString dataBase = basePath + "\\DataBase";
    const CString log = basePath + "\\Log";

    CString openFolders;
    for (const CString& folder : {basePath, dataBase})
        if (WritableByOthers(HostPath(folder)))
            AddLine(openFolders, folder);

    CString notPrivate;
    for (const CString& folder : {dataBase, log}) {
        if (!KeepPrivate(HostPath(folder)))
            AddLine(notPrivate, folder);
        for (const std::string& name : FolderNames(HostPath(folder))) {
            const CString file = folder + "\\" + HostUtf8ToAnsi(name);
            if ((folder == log || name.rfind(kStorePrefix, 0) == 0) && !KeepPrivate(HostPath(file)))
                AddLine(notPrivate, file);
        }
    }

    CString text;
    if (!notPrivate.IsEmpty())
        text += "다음 파일과 폴더를 다른 사용자가 읽지 못하게 바꾸지 못했습니다." + notPrivate;
    if (!openFolders.IsEmpty())
        text +=
            CString(text.IsEmpty() ? "" : "\n\n") + "다음 폴더는 다른 사용자도 쓸 수 있습니다." + openFolders;
    if (!text.IsEmpty())
        text += "\n\n계좌와 비밀번호, 매매내역이 다른 사용자에게 노출될 수 있으니 권한을 확인하십시오.";
    return text;
}
