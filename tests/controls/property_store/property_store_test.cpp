#include "property_store.h"

#include <gtest/gtest.h>

TEST(PropertyStore, DefaultsAreNeverStoredAndMissingNamesReadAsDefault) {
    PropertyStore store;
    store.WriteProperty("Color", 0xFFFFFF, 0xFFFFFF);
    store.WriteProperty("Style", 4);
    store.WriteProperty("Mult", false, false);
    EXPECT_FALSE(store.Contains("Color"));
    EXPECT_FALSE(store.Contains("Mult"));
    EXPECT_EQ(store.ReadProperty("Style", 0).toInt(), 4);
    EXPECT_EQ(store.ReadProperty("Color", 0xFFFFFF).toInt(), 0xFFFFFF);
    EXPECT_FALSE(store.ReadProperty("Font").isValid());
    EXPECT_EQ(store.WriteLog(), (QStringList{"Color", "Style", "Mult"}));
    EXPECT_EQ(store.ReadLog(), (QStringList{"Style", "Color", "Font"}));

    // Writing a default over a stored value removes it again.
    store.WriteProperty("Style", 0, 0);
    EXPECT_FALSE(store.Contains("Style"));
}

TEST(PropertyStore, ChangeNotificationsReachTheHostInOrder) {
    PropertyStore store;
    QStringList seen;
    store.onPropertyChanged = [&](const QString& name) { seen.append(name); };
    store.PropertyChanged("Sort");
    store.PropertyChanged("Mult");
    EXPECT_EQ(seen, (QStringList{"Sort", "Mult"}));
    EXPECT_EQ(store.ChangeLog(), seen);
}
