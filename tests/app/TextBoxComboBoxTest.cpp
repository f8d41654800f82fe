#include "app/modComboBox.h"
#include "app/modTextBox.h"
#include "support/DialogRecorder.h"

#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace modComboBox;

TEST(TextBox, NumericFilterKeepsDigitsBackspaceAndForDecimalsSignAndPoint) {
    using modTextBox::FilterKeyPressNumeric;
    for (int16_t k : {int16_t{8}, int16_t{'0'}, int16_t{'9'}}) {
        EXPECT_EQ(FilterKeyPressNumeric(k, true), k);
        EXPECT_EQ(FilterKeyPressNumeric(k, false), k);
    }
    EXPECT_EQ(FilterKeyPressNumeric('-', true), 0);
    EXPECT_EQ(FilterKeyPressNumeric('.', true), 0);
    EXPECT_EQ(FilterKeyPressNumeric('-', false), '-');
    EXPECT_EQ(FilterKeyPressNumeric('.', false), '.');
    EXPECT_EQ(FilterKeyPressNumeric(',', false), 0);  // "." is the point whatever the locale
    EXPECT_EQ(FilterKeyPressNumeric('a', false), 0);
    EXPECT_EQ(FilterKeyPressNumeric(13, false), 0);

    QLineEdit box("12.5");
    modTextBox::SelectText(&box);
    EXPECT_EQ(box.selectedText(), "12.5");
}

TEST(ComboBox, ItemsCarryTheirNumbersAndAreFoundByThemOrByText) {
    DialogRecorder boxes;
    QComboBox combo;
    EXPECT_EQ(FindItemDataComboBox(&combo, "abc"), -1);  // an empty list converts nothing
    EXPECT_EQ(AddItemDataComboBox(&combo, "Sensor 1", 10), 0);
    EXPECT_EQ(AddItemDataComboBox(&combo, "Gas 1 sensor", 20), 1);
    EXPECT_EQ(AddItemDataComboBox(&combo, "Sensor 2", 20), 2);
    EXPECT_EQ(FindItemDataComboBox(&combo, "20"), 1);
    EXPECT_EQ(FindItemDataComboBox(&combo, " 10 "), 0);
    EXPECT_EQ(FindItemDataComboBox(&combo, "30"), -1);
    EXPECT_EQ(FindStringComboBox(&combo, "SENSOR 2", true), 2);
    EXPECT_EQ(FindStringComboBox(&combo, "sensor", false), 0);
    EXPECT_EQ(FindStringComboBox(&combo, "sensor", true), -1);
    EXPECT_EQ(FindStringComboBox(&combo, "Gas 2", false), -1);
    EXPECT_EQ(boxes.count(), 0);

    EXPECT_EQ(FindItemDataComboBox(&combo, "ten"), -1);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, "FindItemDataComboBox");
    EXPECT_EQ(boxes.last().prompt, "Error: 13. Type mismatch");
}

TEST(ComboBox, ASortedComboKeepsItsOrderIgnoringCase) {
    QComboBox combo;
    combo.setInsertPolicy(QComboBox::InsertAlphabetically);
    AddItemDataComboBox(&combo, "beta", 2);
    AddItemDataComboBox(&combo, "Gamma", 3);
    EXPECT_EQ(AddItemDataComboBox(&combo, "Alpha", 1), 0);
    EXPECT_EQ(AddItemDataComboBox(&combo, "delta", 4), 2);
    EXPECT_EQ(combo.itemText(3), "Gamma");
    EXPECT_EQ(FindItemDataComboBox(&combo, "4"), 2);
}
