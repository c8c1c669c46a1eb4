#include "results/recordcolumns.h"

namespace norvel {

const QStringList& recordColumns()
{
    static const QStringList names = [] {
        QStringList list { QStringLiteral("時刻"), QStringLiteral("調査柱No"), QStringLiteral("行"),
            QStringLiteral("操作"), QStringLiteral("画像"), QStringLiteral("画像幅"), QStringLiteral("画像高"),
            QStringLiteral("分析方法"), QStringLiteral("スキャン方向"), QStringLiteral("閾値"),
            QStringLiteral("自動閾値"), QStringLiteral("検出幅制限"), QStringLiteral("制限幅mm"),
            QStringLiteral("表示サイズ"), QStringLiteral("範囲X"), QStringLiteral("範囲Y"), QStringLiteral("範囲幅"),
            QStringLiteral("範囲高"), QStringLiteral("倍率"), QStringLiteral("表示縮尺") };
        for (int k = 1; k <= 5; ++k)
            list << QStringLiteral("線%1位置").arg(k) << QStringLiteral("線%1始点").arg(k)
                 << QStringLiteral("線%1幅").arg(k);
        list << QStringLiteral("画素/mm") << QStringLiteral("校正済") << QStringLiteral("手動線始点X")
             << QStringLiteral("手動線始点Y") << QStringLiteral("手動線終点X") << QStringLiteral("手動線終点Y")
             << QStringLiteral("手動線ステップ数") << QStringLiteral("手動線ひび始点") << QStringLiteral("手動線ひび幅")
             << QStringLiteral("結果") << QStringLiteral("カメラ画像") << QStringLiteral("カメラ画像時刻")
             << QStringLiteral("直交スキャン方向");
        for (int k = 1; k <= 5; ++k)
            list << QStringLiteral("線%1沿幅").arg(k) << QStringLiteral("線%1中心").arg(k)
                 << QStringLiteral("線%1角度").arg(k) << QStringLiteral("線%1開き角").arg(k)
                 << QStringLiteral("線%1採用").arg(k);
        list << QStringLiteral("推定方向") << QStringLiteral("原画像") << QStringLiteral("最大幅")
             << QStringLiteral("最大幅始点X") << QStringLiteral("最大幅始点Y") << QStringLiteral("最大幅終点X")
             << QStringLiteral("最大幅終点Y");
        return list;
    }();
    return names;
}

const std::array<QString, 4>& recordMethodNames()
{
    static const std::array<QString, 4> names { QStringLiteral("亀裂幅優先"), QStringLiteral("黒さ優先"),
        QStringLiteral("白黒反転幅優先"), QStringLiteral("白黒反転白さ優先") };
    return names;
}

} // namespace norvel
