// Small pieces the editor views share: the fixed-pitch list font, blue instruction texts,
// text conversions and the fixed-pitch list that keeps its selection across refills.
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QListWidget;
class QWidget;

QFont FixedPitchFont(int points);
// An instruction text in blue, wrapped.
QLabel* BlueLabel(std::string_view text, QWidget* parent);
QString Q(std::string_view text);
// Control characters shown with the font's pictures for them, so a row never breaks.
QString ShownText(const std::string& text);
// Fills a list with rows and selects `selected` (-1: none).
void FillList(QListWidget* list, const std::vector<std::string>& rows, int selected);
