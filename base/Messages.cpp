#include "base/Messages.h"

#include <QHash>

namespace vq {

namespace {

const QHash<int, QString>& catalogue()
{
    static const QHash<int, QString> table = {
        {30001, QStringLiteral("メモリの確保に失敗しました")},
        {30002, QStringLiteral("作業フォルダの取得に失敗しました")},
        {30003, QStringLiteral("コピーに失敗しました")},
        {30007, QStringLiteral("イメージの位置を自動調整しますか\n\n余白のみを変更する -「いいえ」\n中止-「キャンセル」")},
        {30012, QStringLiteral("現在セットされているイメージを変更しますか")},
        {30013, QStringLiteral("サイズが大きすぎます")},
        {30015, QStringLiteral("OLEの初期化に失敗しました")},
        {30018, QStringLiteral("ファイルの保存に失敗しました")},
        {30019, QStringLiteral("ファイル形式が異なります")},
        {30020, QStringLiteral("このドキュメントバージョンには対応できません")},
        {30022, QStringLiteral("削除してもよろしいですか")},
        {30025, QStringLiteral("ビットマップファイルの保存に失敗しました")},
        {30026, QStringLiteral("ファイルのオープンに失敗しました")},
        {30027, QStringLiteral("イメージの貼り付けに失敗しました")},
        {30028, QStringLiteral("イメージの取得に失敗しました")},
        {30029, QStringLiteral("このイメージタイプはセットできません")},
        {30030, QStringLiteral("位置交換に失敗しました")},
        {30032, QStringLiteral("このままの倍率で保存しますか\n等倍(100%)で保存する-「いいえ」\n中止-「キャンセル」")},
        {30035, QStringLiteral("書き込み場所にアクセス権がない可能性があります\n管理者として実行するか、アクセス権のある場所に保存してください")},
        {30036, QStringLiteral("ファイルの展開に失敗しました")},
        {30043, QStringLiteral("イメージの最大セット件数を超えました")},
        {30047, QStringLiteral("バックアップファイルの作成に失敗しました")},
        {30048, QStringLiteral("エクスプローラの起動に失敗しました")},
        {30049, QStringLiteral("ステータスバーに操作ガイドを表示するように設定しました")},
        {30056, QStringLiteral("指定したファイルは既に存在します\n上書きしてもよろしいですか")},
        {30064, QStringLiteral("プリンタＤＣの取得に失敗しました")},
        {30065, QStringLiteral("256色以内に減色しました")},
        {30066, QStringLiteral("フォルダは開けません")},
        {30069, QStringLiteral("正常に保存しました\n保存場所を表示しますか")},
        {30076, QStringLiteral("リンク先が見つからないなどの理由でファイルのダウンロードに失敗しました")},
        {30077, QStringLiteral("ファイルが見つかりません")},
        {30082, QStringLiteral("プリンタの初期化に失敗しました")},
        {30087, QStringLiteral("256色以内に減色されていないと透過GIFにはなりません\n処理を続けますか")},
        {30100, QStringLiteral("作成に失敗しました")},
        {30101, QStringLiteral("イメージを表示しますか\n\n保存場所を表示する -「いいえ」\n中止-「キャンセル」")},
        {30102, QStringLiteral("再読込みできません")},
        {30104, QStringLiteral("個別にイメージを作成しますか\n\n個別にファイルに保存する -「いいえ」\n中止-「キャンセル」")},
        {30109, QStringLiteral("一度にセット可能な件数を超過しました\n超過したイメージはセットされません")},
        {30163, QStringLiteral("イメージの数が制限を超えました\nこれ以上、セットできません")},
        {30173, QStringLiteral("実行ファイルと同じ場所に上記のファイルがありません")},
        {30174, QStringLiteral("Manual")},
        // The version history the about box lists newest first. The oldest
        // line has always carried a line break of its own.
        {30200, QStringLiteral("Ver. 1.00 2013.09.22 新規作成\n")},
        {30201, QStringLiteral("Ver. 1.01 2014.09.20 印刷プレビューに余白の表示を追加")},
        {30202, QStringLiteral("Ver. 1.02 2022.11.08 アニメポインターの速度調整機能追加")},
    };
    return table;
}

} // namespace

std::optional<QString> messageText(int id)
{
    const auto& table = catalogue();
    const auto it = table.constFind(id);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<MessageRequest> messageRequest(int id, QObject* owner, const QString& prefix, int style)
{
    const auto text = messageText(id);
    if (!text)
        return std::nullopt;
    MessageRequest request;
    request.id = id;
    request.prefix = prefix;
    request.text = *text;
    request.style = style;
    request.owner = owner;
    return request;
}

} // namespace vq
