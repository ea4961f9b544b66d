#include "html/labels.h"

#include "text/sjis.h"

namespace kiroq {

namespace {

PageLabels English() {
  PageLabels l;
  l.title_list = "Title";
  l.tree = "Tree";
  l.article_list = "All View";
  l.latest = "Current view";
  l.from_top = "Top";
  l.view_prompt = "View:";
  l.move_prompt = "Move:";
  l.post_prompt = "Post:";
  l.new_post = "New";
  // sic: kept as boards have always shown it.
  l.reply = "Responce";
  l.delete_label = "Delete";
  l.deleted_label = "Deleted";
  l.next_page = "Next page";
  l.previous_page = "Previous page";
  l.next_article = "Next article";
  l.previous_article = "Previous article";
  l.personal_settings = "Personal Setting";
  l.title_heading = "Title";
  l.date_heading = "Date";
  l.poster_heading = "Posted by";
  l.number_heading = "Article No";
  l.empty_board = "There is no article.";
  l.no_articles = "No Articles.";
  l.index_busy = "Don't open index file. Please wait a minute.";
  return l;
}

PageLabels Japanese() {
  PageLabels l;
  l.title_list = "タイトルリスト"_sj;
  l.tree = "ツリー表示"_sj;
  l.article_list = "本文一覧表示"_sj;
  l.latest = "最新表示"_sj;
  l.from_top = "先頭から表示"_sj;
  l.view_prompt = "閲覧："_sj;
  l.move_prompt = "移動："_sj;
  l.post_prompt = "投稿："_sj;
  l.new_post = "新規投稿"_sj;
  l.reply = "返信投稿"_sj;
  l.delete_label = "削除"_sj;
  l.deleted_label = "削除済み"_sj;
  l.next_page = "次のページ"_sj;
  l.previous_page = "前のページ"_sj;
  l.next_article = "次の文章へ"_sj;
  l.previous_article = "前の文章へ"_sj;
  l.personal_settings = "個人設定"_sj;
  l.title_heading = "タイトル"_sj;
  l.date_heading = "日付"_sj;
  l.poster_heading = "投稿者"_sj;
  l.number_heading = "文書番号"_sj;
  l.empty_board = "発言はありません。"_sj;
  l.no_articles = "発言はありません。"_sj;
  l.index_busy = "インデックスファイルをオープン出来ませんでした。暫くしてから再度行ってください。"_sj;
  return l;
}

}  // namespace

PageLabels ChooseLabels(bool japanese, bool image_button, bool mobile) {
  if (!japanese) return English();
  PageLabels l = Japanese();
  if (image_button) {
    l.new_post = "<IMG SRC=\"newpost.jpg\" BORDER=\"0\" ALT=\"新規投稿\">"_sj;
    l.reply = "<IMG SRC=\"repost.jpg\" BORDER=\"0\" ALT=\"返信投稿\">"_sj;
    l.delete_label = "<IMG SRC=\"delete.jpg\" BORDER=\"0\" ALT=\"削除\">"_sj;
    l.deleted_label = "<IMG SRC=\"deleted.jpg\" BORDER=\"0\" ALT=\"削除済み\">"_sj;
  }
  if (mobile) {
    l.title_list = "リスト"_sj;
    l.tree = "ツリー"_sj;
    l.article_list = "一覧"_sj;
    l.latest = "最新"_sj;
    l.from_top = "先頭"_sj;
    l.view_prompt = "";
    l.move_prompt = "";
    l.post_prompt = "";
    l.new_post = "新規"_sj;
    l.reply = "返信"_sj;
    l.next_page = "次頁"_sj;
    l.previous_page = "前頁"_sj;
    l.next_article = "次文"_sj;
    l.previous_article = "前文"_sj;
    l.personal_settings = "";
    l.number_heading = "No";
  }
  return l;
}

}  // namespace kiroq
