#include "ui/readme.h"

#include <algorithm>

namespace ui {

std::vector<std::string> ReadmeLines(const InstallPlaces& places) {
  std::vector<std::string> lines = {
      "corvane KESTOR　3Dスクリーンセーバ　Ver 1.0",
      "",
      "１．二つのモード",
      "　展示モードと走行モードの二つがあります。初期設定では、",
      "　起動のたびにどちらかのモードを自動で選びます。",
      "　◆展示モード",
      "　　回転台の上でゆっくり回る車を眺めるモードです。",
      "　　キーボードで次のことができます。",
      "　　　・ボンネット、左右のドア、トランクの開け閉め",
      "　　　・ボディを半透明のスケルトン表示に切り替える",
      "　　　・視点の移動（終了時の視点は次の起動に引き継がれます）",
      "　　　　［Ｂ］………………ボンネットの開閉",
      "　　　　［Ｌ］［Ｒ］…………左ドア、右ドアの開閉",
      "　　　　［Ｔ］………………トランクの開閉",
      "　　　　［Ｓ］………………スケルトン表示の切り替え",
      "　　　　［←］［→］…………視点を左右に移動",
      "　　　　［↑］［↓］…………視点を上下に移動",
      "　　　　テンキー［８］［２］…視点を前後に移動",
      "　　　　［Alt］……………クレジットの表示",
      "　　※スケルトン表示は３０秒たつと通常の表示に戻ります。",
      "　　※車の内部構造は、資料が少ないため大部分が想像です。",
      "　◆走行モード",
      "　　道路を走る車を、動くカメラから眺めるモードです。",
      "　　昼と夜の場面があります。",
      "　どちらのモードでも、上記以外のキーを押すか、",
      "　マウスを動かすと終了します。",
      "",
      "２．設定",
      "　・速度",
      "　　つまみを左に寄せるほど速く動きます。",
      "　　右端では、１コマごとに０．５秒待ちます。",
      "　・モード",
      "　　展示モード、走行モード、自動（起動のたびにどちらか）。",
      "　・初期位置",
      "　　展示モードの始めの視点を、初めの位置に戻します。",
      "　・文字出力する",
      "　　車の諸元表を、選んだフォントで画面に打ち出します。",
      "　　一度に表示する行数は、１から５までです。",
      "　・フォント",
      "　　文字の書体、大きさ、スタイル、色を選びます。",
      "　設定は［OK］で保存され、［Cancel］では保存されません。",
      "",
      "３．その他のボタン",
      "　・解説",
      "　　この説明を開きます。",
      "　・削除",
      "",
      "４．謝辞",
      "　３Ｄ描画の部品、背景の素材、配布用のインストーラを",
      "　作り、使わせて下さった皆様に感謝いたします。",
      "",
      "５．連絡先",
      "　不具合のご報告やご意見、ご感想は、",
      "　このソフトウェアの配布元までお寄せ下さい。",
      "　お待ちしております。",
      "",
      "　このソフトウェアを使用したことによって生じた損害について、",
      "　作者は一切の責任を負いません。",
      "",
      "　　　　　　　　　　　　　　　　　　　corvane KESTOR",
  };
  // What the uninstall deletes, and what it leaves, as this target installs the saver.
  const auto at = std::find(lines.begin(), lines.end(), std::string("　・削除"));
  const std::vector<std::string> removal = ReadmeRemovalLines(places);
  lines.insert(at + 1, removal.begin(), removal.end());
  return lines;
}

TForm1::TForm1(const ViewMaker& makeView, const InstallPlaces& places) : view_(makeView ? makeView(*this) : nullptr) {
  if (view_) view_->SetText(ReadmeLines(places));
}

TForm1::~TForm1() = default;

void TForm1::Show() {
  if (view_) view_->Show();
}

void TForm1::Button1Click() {
  if (view_) view_->Hide();
}

bool TForm1::Visible() const { return view_ && view_->Visible(); }

}  // namespace ui
