#pragma once

// The NIST Statistical Reference Datasets for linear least squares (StRD, National Institute of
// Standards and Technology, 1998: https://www.itl.nist.gov/div898/strd/lls/lls.shtml): the data
// of Norris, Pontius and Wampler 1–5 and the certified values the tests compare with.
// scripts/record-outputs reads the arrays below by name.

#include <vector>

namespace nist_strd {

inline const std::vector<double> kNorrisX = {
    0.2, 337.4, 118.2, 884.6, 10.1,  226.5, 666.3, 996.3, 448.6, 777.0, 558.2, 0.4,
    0.6, 775.5, 666.9, 338.0, 447.5, 11.6,  556.0, 228.1, 995.8, 887.6, 120.2, 0.3,
    0.3, 556.8, 339.1, 887.2, 999.0, 779.0, 11.1,  118.3, 229.2, 669.1, 448.9, 0.5};
inline const std::vector<double> kNorrisY = {
    0.1, 338.8, 118.1, 888.0, 9.2,   228.1, 668.5, 998.5, 449.1, 778.9, 559.2, 0.3,
    0.1, 778.1, 668.8, 339.3, 448.9, 10.8,  557.7, 228.3, 998.0, 888.8, 119.6, 0.3,
    0.6, 557.6, 339.3, 888.0, 998.5, 778.9, 10.2,  117.6, 228.9, 668.4, 449.2, 0.2};

inline std::vector<double> PontiusX() {
  std::vector<double> x;
  for (int i = 0; i < 40; ++i) x.push_back(150000.0 * (i % 20 + 1));
  return x;
}
inline const std::vector<double> kPontiusY = {
    .11019,  .21956,  .32949,  .43899,  .54803,  .65694,  .76562,  .87487,  .98292,  1.09146,
    1.20001, 1.30822, 1.41599, 1.52399, 1.63194, 1.73947, 1.84646, 1.95392, 2.06128, 2.16844,
    .11052,  .22018,  .32939,  .43886,  .54798,  .65739,  .76596,  .87474,  .98300,  1.09150,
    1.20004, 1.30818, 1.41613, 1.52408, 1.63159, 1.73965, 1.84696, 1.95445, 2.06177, 2.16829};

inline std::vector<double> WamplerX() {
  std::vector<double> x;
  for (int i = 0; i <= 20; ++i) x.push_back(i);
  return x;
}
inline const std::vector<double> kWampler1Y = {
    1,      6,      63,     364,    1365,   3906,    9331,    19608,   37449,   66430,  111111,
    177156, 271453, 402234, 579195, 813616, 1118481, 1508598, 2000719, 2613660, 3368421};
inline const std::vector<double> kWampler2Y = {
    1.00000,  1.11111,  1.24992,  1.42753,  1.65984,  1.96875,  2.38336,
    2.94117,  3.68928,  4.68559,  6.00000,  7.71561,  9.92992,  12.75603,
    16.32384, 20.78125, 26.29536, 33.05367, 41.26528, 51.16209, 63.00000};
inline const std::vector<double> kWampler3Y = {
    760.,    -2042.,  2111.,    -1684.,   3888.,    1858.,    11379.,
    17560.,  39287.,  64382.,   113159.,  175108.,  273291.,  400186.,
    581243., 811568., 1121004., 1506550., 2002767., 2611612., 3369180.};
inline const std::vector<double> kWampler4Y = {
    75901,  -204794, 204863, -204436, 253665, -200894, 214131,  -185192, 221249,  -138370, 315911,
    -27644, 455253,  197434, 783995,  608816, 1370781, 1303798, 2205519, 2408860, 3444321};
inline const std::vector<double> kWampler5Y = {
    7590001,   -20479994, 20480063,  -20479636, 25231365,  -20476094, 20489331,
    -20460392, 18417449,  -20413570, 20591111,  -20302844, 18651453,  -20077766,
    21059195,  -19666384, 26348481,  -18971402, 22480719,  -17866340, 10958421};

// Certified estimates and standard deviations, b_0 first.
inline const std::vector<double> kNorrisEstimate = {-0.262323073774029, 1.00211681802045};
inline const std::vector<double> kNorrisSd = {0.232818234301152, 0.429796848199937E-03};
inline const std::vector<double> kPontiusEstimate = {0.673565789473684E-03, 0.732059160401003E-06,
                                                     -0.316081871345029E-14};
inline const std::vector<double> kPontiusSd = {0.107938612033077E-03, 0.157817399981659E-09,
                                               0.486652849992036E-16};
inline const std::vector<double> kWampler3Sd = {2152.32624678170, 2363.55173469681,
                                                779.343524331583, 101.475507550350,
                                                5.64566512170752, 0.112324854679312};

}  // namespace nist_strd
