// The data sheet of the fictional car. The figures match the model: 1 model unit is
// about 1.53 m (wheelbase 1.736 units = 2,650 mm, tyre radius 0.22 units = 336 mm).
#include "spectext.h"

namespace databuild {

std::vector<std::string> SpecLines() {
  // Literals are compiled to Shift-JIS; full-width spaces line up the values.
  return {
      "corvane KESTOR　主要諸元",
      "型式　　　　　　ＣＫＳ２０型",
      "駆動方式　　　　ＦＲ（フロントミッドシップ）",
      "乗車定員　　　　２名",
      "全長×全幅×全高　4,280×1,990×1,265mm",
      "ホイールベース　2,650mm",
      "トレッド前／後　1,620／1,615mm",
      "最低地上高　　　105mm",
      "車両重量　　　　1,390kg",
      "エンジン型式　　KV40DE型",
      "種類　　水冷Ｖ型８気筒ＤＯＨＣ３２バルブ",
      "総排気量　　　　3,996cc",
      "内径×行程　　　92.0×75.1mm",
      "圧縮比　　　　　11.8",
      "最高出力　　　　338kW(460PS)/7,400rpm",
      "最大トルク　　　480N・m(49.0kgf・m)/5,200rpm",
      "燃料供給装置　　電子制御筒内直接噴射",
      "変速機　　　　　６速マニュアル",
      "差動装置　　　　機械式ＬＳＤ",
      "懸架方式　　　　前後ダブルウィッシュボーン",
      "ブレーキ前　　　ベンチレーテッドディスク",
      "ブレーキ後　　　ベンチレーテッドディスク",
      "タイヤ前　　　　255/35ZR19",
      "タイヤ後　　　　295/30ZR19",
      "最高速度　　　　305km/h",
      "0-100km/h加速　　3.9秒",
      "燃料タンク容量　72L",
      "車体構造　　　　アルミスペースフレーム",
      "ボディパネル　　ＣＦＲＰ／アルミ",
      "製造　　　　　　コルヴェイン・モータース",
  };
}

Bytes SpecText() {
  Bytes b;
  for (const std::string& l : SpecLines()) {
    b.insert(b.end(), l.begin(), l.end());
    b.push_back('\r');
    b.push_back('\n');
  }
  return b;
}

}  // namespace databuild
