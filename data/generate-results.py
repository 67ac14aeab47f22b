#!/usr/bin/python3
"""Writes results.tsv, the bundled election-night data set of the results service.

The municipalities and their codes are the real ones; the populations are rounded figures used
only to make the electorate, the number of voting districts and the votes plausible. The votes
are drawn with a fixed seed, so running this again gives the same file byte for byte.

Usage: data/generate-results.py > data/results.tsv
"""
import random
import sys

SEED = 20030914

# (county code, county name, yes-share bias in percentage points)
COUNTIES = [
    ("01", "Stockholms län", 9), ("03", "Uppsala län", 3), ("04", "Södermanlands län", -1),
    ("05", "Östergötlands län", 0), ("06", "Jönköpings län", -3), ("07", "Kronobergs län", -1),
    ("08", "Kalmar län", -3), ("09", "Gotlands län", -4), ("10", "Blekinge län", -1),
    ("12", "Skåne län", 5), ("13", "Hallands län", 3), ("14", "Västra Götalands län", 1),
    ("17", "Värmlands län", -6), ("18", "Örebro län", -4), ("19", "Västmanlands län", -3),
    ("20", "Dalarnas län", -8), ("21", "Gävleborgs län", -8), ("22", "Västernorrlands län", -9),
    ("23", "Jämtlands län", -13), ("24", "Västerbottens län", -10), ("25", "Norrbottens län", -11),
]

# (code, name, population in thousands, rounded)
MUNICIPALITIES = [
    ("0114", "Upplands Väsby", 48), ("0115", "Vallentuna", 34), ("0117", "Österåker", 46),
    ("0120", "Värmdö", 46), ("0123", "Järfälla", 80), ("0125", "Ekerö", 28),
    ("0126", "Huddinge", 113), ("0127", "Botkyrka", 95), ("0128", "Salem", 17),
    ("0136", "Haninge", 95), ("0138", "Tyresö", 48), ("0139", "Upplands-Bro", 30),
    ("0140", "Nykvarn", 11), ("0160", "Täby", 73), ("0162", "Danderyd", 33),
    ("0163", "Sollentuna", 75), ("0180", "Stockholm", 980), ("0181", "Södertälje", 100),
    ("0182", "Nacka", 108), ("0183", "Sundbyberg", 53), ("0184", "Solna", 84),
    ("0186", "Lidingö", 48), ("0187", "Vaxholm", 12), ("0188", "Norrtälje", 63),
    ("0191", "Sigtuna", 50), ("0192", "Nynäshamn", 29),
    ("0305", "Håbo", 22), ("0319", "Älvkarleby", 9.5), ("0330", "Knivsta", 20),
    ("0331", "Heby", 14), ("0360", "Tierp", 21), ("0380", "Uppsala", 240),
    ("0381", "Enköping", 46), ("0382", "Östhammar", 22),
    ("0428", "Vingåker", 9), ("0461", "Gnesta", 11), ("0480", "Nyköping", 57),
    ("0481", "Oxelösund", 12), ("0482", "Flen", 16), ("0483", "Katrineholm", 35),
    ("0484", "Eskilstuna", 107), ("0486", "Strängnäs", 38), ("0488", "Trosa", 14),
    ("0509", "Ödeshög", 5), ("0512", "Ydre", 3.6), ("0513", "Kinda", 10),
    ("0560", "Boxholm", 5.5), ("0561", "Åtvidaberg", 11.5), ("0562", "Finspång", 22),
    ("0563", "Valdemarsvik", 7.7), ("0580", "Linköping", 165), ("0581", "Norrköping", 144),
    ("0582", "Söderköping", 14.5), ("0583", "Motala", 43), ("0584", "Vadstena", 7.4),
    ("0586", "Mjölby", 28),
    ("0604", "Aneby", 7), ("0617", "Gnosjö", 9.6), ("0642", "Mullsjö", 7.3),
    ("0643", "Habo", 12), ("0662", "Gislaved", 29), ("0665", "Vaggeryd", 14),
    ("0680", "Jönköping", 143), ("0682", "Nässjö", 31), ("0683", "Värnamo", 34),
    ("0684", "Sävsjö", 11), ("0685", "Vetlanda", 27), ("0686", "Eksjö", 17),
    ("0687", "Tranås", 19),
    ("0760", "Uppvidinge", 9.5), ("0761", "Lessebo", 8.8), ("0763", "Tingsryd", 12),
    ("0764", "Alvesta", 20), ("0765", "Älmhult", 18), ("0767", "Markaryd", 10),
    ("0780", "Växjö", 95), ("0781", "Ljungby", 28),
    ("0821", "Högsby", 5.8), ("0834", "Torsås", 7), ("0840", "Mörbylånga", 15),
    ("0860", "Hultsfred", 14), ("0861", "Mönsterås", 13), ("0862", "Emmaboda", 9),
    ("0880", "Kalmar", 70), ("0881", "Nybro", 20), ("0882", "Oskarshamn", 27),
    ("0883", "Västervik", 36), ("0884", "Vimmerby", 15.5), ("0885", "Borgholm", 10.8),
    ("0980", "Gotland", 61),
    ("1060", "Olofström", 13), ("1080", "Karlskrona", 66), ("1081", "Ronneby", 29),
    ("1082", "Karlshamn", 32), ("1083", "Sölvesborg", 17),
    ("1214", "Svalöv", 14), ("1230", "Staffanstorp", 25), ("1231", "Burlöv", 19),
    ("1233", "Vellinge", 36), ("1256", "Östra Göinge", 15), ("1257", "Örkelljunga", 10),
    ("1260", "Bjuv", 16), ("1261", "Kävlinge", 32), ("1262", "Lomma", 25),
    ("1263", "Svedala", 22), ("1264", "Skurup", 16), ("1265", "Sjöbo", 19),
    ("1266", "Hörby", 15.5), ("1267", "Höör", 16.5), ("1270", "Tomelilla", 13.5),
    ("1272", "Bromölla", 12.7), ("1273", "Osby", 13), ("1275", "Perstorp", 7.4),
    ("1276", "Klippan", 17.8), ("1277", "Åstorp", 16), ("1278", "Båstad", 15),
    ("1280", "Malmö", 350), ("1281", "Lund", 127), ("1282", "Landskrona", 46),
    ("1283", "Helsingborg", 150), ("1284", "Höganäs", 27), ("1285", "Eslöv", 34),
    ("1286", "Ystad", 31), ("1287", "Trelleborg", 46), ("1290", "Kristianstad", 86),
    ("1291", "Simrishamn", 19), ("1292", "Ängelholm", 43), ("1293", "Hässleholm", 52),
    ("1315", "Hylte", 11), ("1380", "Halmstad", 104), ("1381", "Laholm", 26),
    ("1382", "Falkenberg", 46), ("1383", "Varberg", 66), ("1384", "Kungsbacka", 85),
    ("1401", "Härryda", 39), ("1402", "Partille", 39), ("1407", "Öckerö", 13),
    ("1415", "Stenungsund", 27), ("1419", "Tjörn", 16), ("1421", "Orust", 15),
    ("1427", "Sotenäs", 9), ("1430", "Munkedal", 10.5), ("1435", "Tanum", 12.8),
    ("1438", "Dals-Ed", 4.8), ("1439", "Färgelanda", 6.6), ("1440", "Ale", 32),
    ("1441", "Lerum", 43), ("1442", "Vårgårda", 12), ("1443", "Bollebygd", 9.8),
    ("1444", "Grästorp", 5.7), ("1445", "Essunga", 5.7), ("1446", "Karlsborg", 6.9),
    ("1447", "Gullspång", 5.2), ("1452", "Tranemo", 11.8), ("1460", "Bengtsfors", 9.5),
    ("1461", "Mellerud", 9), ("1462", "Lilla Edet", 14), ("1463", "Mark", 35),
    ("1465", "Svenljunga", 10.7), ("1466", "Herrljunga", 9.6), ("1470", "Vara", 16),
    ("1471", "Götene", 13.3), ("1472", "Tibro", 11.3), ("1473", "Töreboda", 9.3),
    ("1480", "Göteborg", 590), ("1481", "Mölndal", 70), ("1482", "Kungälv", 47),
    ("1484", "Lysekil", 14.5), ("1485", "Uddevalla", 57), ("1486", "Strömstad", 13.4),
    ("1487", "Vänersborg", 40), ("1488", "Trollhättan", 59), ("1489", "Alingsås", 42),
    ("1490", "Borås", 114), ("1491", "Ulricehamn", 25), ("1492", "Åmål", 12.5),
    ("1493", "Mariestad", 24.5), ("1494", "Lidköping", 40), ("1495", "Skara", 18.9),
    ("1496", "Skövde", 57), ("1497", "Hjo", 9.2), ("1498", "Tidaholm", 12.9),
    ("1499", "Falköping", 33),
    ("1715", "Kil", 12), ("1730", "Eda", 8.5), ("1737", "Torsby", 11.7),
    ("1760", "Storfors", 4), ("1761", "Hammarö", 16.9), ("1762", "Munkfors", 3.6),
    ("1763", "Forshaga", 11.5), ("1764", "Grums", 9), ("1765", "Årjäng", 10),
    ("1766", "Sunne", 13.2), ("1780", "Karlstad", 95), ("1781", "Kristinehamn", 24.5),
    ("1782", "Filipstad", 10.5), ("1783", "Hagfors", 11.5), ("1784", "Arvika", 26),
    ("1785", "Säffle", 15.5),
    ("1814", "Lekeberg", 8.4), ("1860", "Laxå", 5.6), ("1861", "Hallsberg", 16),
    ("1862", "Degerfors", 9.5), ("1863", "Hällefors", 6.8), ("1864", "Ljusnarsberg", 4.8),
    ("1880", "Örebro", 158), ("1881", "Kumla", 22), ("1882", "Askersund", 11.3),
    ("1883", "Karlskoga", 30.5), ("1884", "Nora", 10.6), ("1885", "Lindesberg", 23.6),
    ("1904", "Skinnskatteberg", 4.4), ("1907", "Surahammar", 10.2), ("1960", "Kungsör", 8.7),
    ("1961", "Hallstahammar", 16.5), ("1962", "Norberg", 5.8), ("1980", "Västerås", 157),
    ("1981", "Sala", 23), ("1982", "Fagersta", 13.5), ("1983", "Köping", 26.5),
    ("1984", "Arboga", 14),
    ("2021", "Vansbro", 6.8), ("2023", "Malung-Sälen", 10.2), ("2026", "Gagnef", 10.3),
    ("2029", "Leksand", 15.9), ("2031", "Rättvik", 11), ("2034", "Orsa", 6.9),
    ("2039", "Älvdalen", 7.1), ("2061", "Smedjebacken", 10.7), ("2062", "Mora", 20.5),
    ("2080", "Falun", 59.5), ("2081", "Borlänge", 52.5), ("2082", "Säter", 11.2),
    ("2083", "Hedemora", 15.3), ("2084", "Avesta", 23.3), ("2085", "Ludvika", 26),
    ("2101", "Ockelbo", 5.9), ("2104", "Hofors", 9.4), ("2121", "Ovanåker", 11.4),
    ("2132", "Nordanstig", 9.4), ("2161", "Ljusdal", 19), ("2180", "Gävle", 103),
    ("2181", "Sandviken", 39.5), ("2182", "Söderhamn", 25.5), ("2183", "Bollnäs", 26.4),
    ("2184", "Hudiksvall", 37.5),
    ("2260", "Ånge", 9.3), ("2262", "Timrå", 18), ("2280", "Härnösand", 25),
    ("2281", "Sundsvall", 99), ("2282", "Kramfors", 18), ("2283", "Sollefteå", 19),
    ("2284", "Örnsköldsvik", 56),
    ("2303", "Ragunda", 5.4), ("2305", "Bräcke", 6.5), ("2309", "Krokom", 15),
    ("2313", "Strömsund", 11.5), ("2321", "Åre", 11.7), ("2326", "Berg", 7),
    ("2361", "Härjedalen", 10), ("2380", "Östersund", 64),
    ("2401", "Nordmaling", 7.2), ("2403", "Bjurholm", 2.5), ("2404", "Vindeln", 5.4),
    ("2409", "Robertsfors", 6.8), ("2417", "Norsjö", 4.1), ("2418", "Malå", 3.1),
    ("2421", "Storuman", 5.9), ("2422", "Sorsele", 2.5), ("2425", "Dorotea", 2.6),
    ("2460", "Vännäs", 8.7), ("2462", "Vilhelmina", 6.7), ("2463", "Åsele", 2.8),
    ("2480", "Umeå", 130), ("2481", "Lycksele", 12.2), ("2482", "Skellefteå", 74),
    ("2505", "Arvidsjaur", 6.4), ("2506", "Arjeplog", 2.8), ("2510", "Jokkmokk", 4.9),
    ("2513", "Överkalix", 3.2), ("2514", "Kalix", 16), ("2518", "Övertorneå", 4.4),
    ("2521", "Pajala", 6), ("2523", "Gällivare", 17.5), ("2560", "Älvsbyn", 8.1),
    ("2580", "Luleå", 79), ("2581", "Piteå", 42), ("2582", "Boden", 28),
    ("2583", "Haparanda", 9.6), ("2584", "Kiruna", 22.5),
]

ELECTORATE_PER_INHABITANT = 0.69
VOTERS_PER_DISTRICT = 1200


def municipality_row(rng, code, name, population_k, bias):
    electorate = int(population_k * 1000 * ELECTORATE_PER_INHABITANT * rng.uniform(0.97, 1.03))
    districts = max(3, round(electorate / VOTERS_PER_DISTRICT * rng.uniform(0.9, 1.1)))
    turnout = min(0.92, max(0.70, rng.gauss(0.826, 0.03)))
    cast = round(electorate * turnout)
    invalid = round(cast * rng.uniform(0.0015, 0.0040))
    blank = round(cast * rng.uniform(0.012, 0.022))
    yes_share = min(0.75, max(0.15, rng.gauss(0.42 + bias / 100.0, 0.04)))
    yes = round((cast - invalid - blank) * yes_share)
    no = cast - invalid - blank - yes
    return [code, name, districts, electorate, yes, no, blank, invalid]


def main():
    rng = random.Random(SEED)
    out = sys.stdout
    out.write("# Bundled data set of ksv-results-service, written by data/generate-results.py.\n")
    out.write("# County rows name a county; the municipality rows after it belong to it.\n")
    out.write("# The county and country figures are the sums of their municipalities.\n")
    out.write("type\tcode\tname\tdistricts\telectorate\tyes\tno\tblank\tinvalid\n")
    for county_code, county_name, bias in COUNTIES:
        out.write("county\t%s\t%s\t\t\t\t\t\t\n" % (county_code, county_name))
        for code, name, population_k in MUNICIPALITIES:
            if code[:2] == county_code:
                row = municipality_row(rng, code, name, population_k, bias)
                out.write("municipality\t" + "\t".join(str(v) for v in row) + "\n")


if __name__ == "__main__":
    main()
