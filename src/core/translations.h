#pragma once

#include <QString>

class QCoreApplication;

// The toolkit's own texts (file dialogs, standard buttons, "… already exists") in German, to
// match the rest of the program. The catalogue comes with the distribution; without it the
// program runs on with the toolkit's English. Returns whether the catalogue was installed.
// `directory` overrides where the catalogue is looked for.
bool installToolkitTranslations(QCoreApplication& app, const QString& directory = {});
