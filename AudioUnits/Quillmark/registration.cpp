// Writes the bundle's registration file from the effect catalogue: one line per
// component, tab-separated: type, subtype, manufacturer, name shown by hosts, entry symbol.
#include <cstdio>

#include "catalogue.h"

static void FourCC(char* pText, int32 lCode)
{
    for (int i = 0; i < 4; ++i) pText[i] = char((uint32(lCode) >> (24 - 8 * i)) & 0xFF);
    pText[4] = '\0';
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    std::FILE* pFile = std::fopen(argv[1], "w");
    if (!pFile) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(pFile, "# type\tsubtype\tmanufacturer\tname\tentry\n");
    for (int i = 0; i < QVCatalogueCount(); ++i) {
        const QVEffectInfo& info = QVCatalogue()[i];
        char szCode[5];
        FourCC(szCode, info.lCode);
        std::fprintf(pFile, "aufx\t%s\tTsry\tTessary: %s\t%s\n", szCode, info.pShortName, info.pUnitEntry);
    }
    return std::fclose(pFile) == 0 ? 0 : 1;
}
