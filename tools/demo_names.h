// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Name lists of the demo game folder. The star names are proper names of real stars; the region
// and type words are the project's own.

namespace orvek::demo {

// clang-format off

inline constexpr const char* kStarNames[] = {
    "Acamar", "Achernar", "Achird", "Acrab", "Acrux", "Acubens", "Adhafera", "Adhara", "Adhil",
    "Ain", "Ainalrami", "Aladfar", "Albaldah", "Albali", "Albireo", "Alchiba", "Alcor", "Alcyone",
    "Aldebaran", "Alderamin", "Aldhanab", "Aldhibah", "Aldulfin", "Alfirk", "Algedi", "Algenib",
    "Algieba", "Algol", "Algorab", "Alhena", "Alioth", "Aljanah", "Alkaid", "Alkalurops",
    "Alkaphrah", "Alkarab", "Alkes", "Almaaz", "Almach", "Alnair", "Alnasl", "Alnilam", "Alnitak",
    "Alniyat", "Alphard", "Alphecca", "Alpheratz", "Alpherg", "Alrakis", "Alrescha", "Alruba",
    "Alsafi", "Alsciaukat", "Alsephina", "Alshain", "Alshat", "Altair", "Altais", "Alterf",
    "Aludra", "Alula Australis", "Alula Borealis", "Alya", "Alzirr", "Ancha", "Angetenar",
    "Ankaa", "Anser", "Antares", "Arcturus", "Arkab Posterior", "Arkab Prior", "Arneb", "Ascella",
    "Asellus Australis", "Asellus Borealis", "Ashlesha", "Aspidiske", "Asterope", "Atik", "Atlas",
    "Atria", "Avior", "Azelfafage", "Azha", "Azmidi", "Baten Kaitos", "Beemim", "Beid",
    "Bellatrix", "Betelgeuse", "Bharani", "Biham", "Botein", "Brachium", "Bunda", "Canopus",
    "Capella", "Caph", "Castor", "Castula", "Cebalrai", "Celaeno", "Cervantes", "Chalawan",
    "Chamukuy", "Chara", "Chertan", "Copernicus", "Cor Caroli", "Cujam", "Cursa", "Dabih",
    "Dalim", "Deneb", "Deneb Algedi", "Denebola", "Diadem", "Diphda", "Dschubba", "Dubhe",
    "Dziban", "Edasich", "Electra", "Elgafar", "Elkurud", "Elnath", "Eltanin", "Enif", "Errai",
    "Fafnir", "Fang", "Fawaris", "Felis", "Fomalhaut", "Fulu", "Fumalsamakah", "Furud", "Fuyue",
    "Gacrux", "Giausar", "Gienah", "Ginan", "Gomeisa", "Grumium", "Hadar", "Haedus", "Hamal",
    "Hassaleh", "Hatysa", "Helvetios", "Heze", "Homam", "Iklil", "Imai", "Intercrus", "Izar",
    "Jabbah", "Jishui", "Kaffaljidhma", "Kang", "Kaus Australis", "Kaus Borealis", "Kaus Media",
    "Keid", "Khambalia", "Kitalpha", "Kochab", "Kornephoros", "Kraz", "Kurhah", "La Superba",
    "Larawag", "Lesath", "Libertas", "Lich", "Maasym", "Mahasim", "Maia", "Marfik", "Markab",
    "Markeb", "Marsic", "Matar", "Mebsuta", "Megrez", "Meissa", "Mekbuda", "Meleph",
    "Menkalinan", "Menkar", "Menkent", "Menkib", "Merak", "Merga", "Meridiana", "Merope",
    "Mesarthim", "Miaplacidus", "Mimosa", "Minchir", "Minelauva", "Mintaka", "Mira", "Mirach",
    "Miram", "Mirfak", "Mirzam", "Misam", "Mizar", "Mothallah", "Muliphein", "Muphrid",
    "Muscida", "Musica", "Nahn", "Naos", "Nashira", "Nekkar", "Nembus", "Nihal", "Nunki",
    "Nusakan", "Ogma", "Okab", "Peacock", "Phact", "Phecda", "Pherkad", "Piautos", "Pipirima",
    "Pleione", "Polaris", "Polaris Australis", "Polis", "Pollux", "Porrima", "Praecipua",
    "Prima Hyadum", "Procyon", "Propus", "Proxima Centauri", "Ran", "Rasalas", "Rasalgethi",
    "Rasalhague", "Rastaban", "Regulus", "Revati", "Rigel", "Rigil Kentaurus", "Rotanev",
    "Ruchbah", "Rukbat", "Sabik", "Saclateni", "Sadachbia", "Sadalbari", "Sadalmelik",
    "Sadalsuud", "Sadr", "Saiph", "Salm", "Sargas", "Sarin", "Sceptrum", "Scheat", "Schedar",
    "Secunda Hyadum", "Segin", "Seginus", "Sham", "Shaula", "Sheliak", "Sheratan", "Sirius",
    "Situla", "Skat", "Spica", "Sualocin", "Subra", "Suhail", "Sulafat", "Syrma", "Tabit",
    "Tania Australis", "Tania Borealis", "Tarazed", "Taygeta", "Tegmine", "Tejat", "Terebellum",
    "Thuban", "Tiaki", "Tianguan", "Tianyi", "Titawin", "Toliman", "Tonatiuh", "Torcular",
    "Tureis", "Unukalhai", "Unurgunite", "Vega", "Veritate", "Vindemiatrix", "Wasat", "Wazn",
    "Wezen", "Wurren", "Xamidimura", "Xuange", "Yed Prior", "Yed Posterior", "Yildun", "Zaniah",
    "Zaurak", "Zavijava", "Zhang", "Zibal", "Zosma", "Zubenelgenubi", "Zubenelhakrabi",
    "Zubeneschamali",
};

inline constexpr const char* kRegions[] = {
    "Cygnus", "Orion", "Perseus", "Carina", "Sagittarius", "Norma", "Scutum", "Outer",
    "Crimson", "Silver", "Hollow", "Tessar", "Vael", "Drifting", "Shattered", "Northern",
    "Far", "Ember", "Azure", "Umbral", "Iron", "Pale", "Sable", "Veiled", "Lantern", "Korrin",
    "Meridian", "Ashen", "Halcyon", "Quiet",
};

inline constexpr const char* kTypes[] = {
    "Drift", "Reach", "Expanse", "Cluster", "Nebula", "Frontier", "Marches", "Veil", "Belt",
    "Arm", "Rift", "Deep", "Sector", "Verge", "Spur", "Void", "Cradle", "Shoal",
};

// clang-format on

}  // namespace orvek::demo
