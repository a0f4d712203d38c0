// The engine's entry table, published as vector 381: the number of every slot, the function type
// of each, and the typed fetch through which the other modules call a slot. One list, one place.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/tables/control_structure.h"
#include "host/kernel.h"

// Records of the engine and the common library that slot types name (complete where they live).
struct RSKSTYPE;
struct RSKCURRENCY;
struct RSKTYPELIST;
struct RSKOPTREC;
struct RSKROLEROW;
struct dataset;
struct dataset_var;
struct dataset_obs;
struct hash_table;
struct hash_item;
struct utilfile;
struct member_name;
struct statement_node;
struct RSKVARDEF;
struct RSKGENTRANS;
struct interval_spec;
struct RSKIDENTRY;
struct RSKIDMAP;
struct RSKIDENTRY;
struct RSKIDMAP;
struct interval_spec;
struct RSKCMPCON;
struct cmp_session;
struct cmp_library;
// Counterparty and mitigation containers.
struct RSKCPTY;
struct RSKCPTYCON;
struct RSKCPTYDS;
struct RSKCPTYMODEL;
struct RSKCPTYTYPE;
struct RSKCPTYVAR;
struct RSKMITIGATIONCON;
struct RSKMITDS;
struct RSKMITTYPE;
// Project runs.
struct RSKRUNPARMS;
struct RSKNAMELIST;

constexpr int kEngineTableVector = 381;
constexpr int kEngineTableVectorCode = (14 << 16) | 381;   // level 14, vector 381 (917885)
constexpr int kEngineTableSlots = 402;                     // slots 0 .. 401; slot 0 is never used

// Every slot: X(number, enumerator, routine name). Numbers are the contract between the modules
// and never change. Two routines stand in two slots each (rskcsac 74 and 91, rsktbla 232 and 312).
#define QOR_ENGINE_SLOTS(X) \
    X(1, rskatrm, "rskatrm")                                       \
    X(2, rskinit, "rskinit")                                       \
    X(3, rsk0, "rsk0")                                             \
    X(4, rskterm, "rskterm")                                       \
    X(5, rskactd, "rskactd")                                       \
    X(6, rskadti, "rskadti")                                       \
    X(7, rskadtp, "rskadtp")                                       \
    X(8, rskalgn, "rskalgn")                                       \
    X(9, rskaltb, "rskaltb")                                       \
    X(10, rskanl, "rskanl")                                        \
    X(11, rskanlc, "rskanlc")                                      \
    X(12, rskanld, "rskanld")                                      \
    X(13, rskanlf, "rskanlf")                                      \
    X(14, rskanlp, "rskanlp")                                      \
    X(15, rskarya, "rskarya")                                      \
    X(16, rskaryb, "rskaryb")                                      \
    X(17, rskaryc, "rskaryc")                                      \
    X(18, rskaryp, "rskaryp")                                      \
    X(19, rskaryr, "rskaryr")                                      \
    X(20, rskaryw, "rskaryw")                                      \
    X(21, rskcaad, "rskcaad")                                      \
    X(22, rskcaam, "rskcaam")                                      \
    X(23, rskcabd, "rskcabd")                                      \
    X(24, rskcal, "rskcal")                                        \
    X(25, rskcalc, "rskcalc")                                      \
    X(26, rskcald, "rskcald")                                      \
    X(27, rskcalf, "rskcalf")                                      \
    X(28, rskcalp, "rskcalp")                                      \
    X(29, rskcanb, "rskcanb")                                      \
    X(30, rskcapb, "rskcapb")                                      \
    X(31, rskcat, "rskcat")                                        \
    X(32, rskcata, "rskcata")                                      \
    X(33, rskcatc, "rskcatc")                                      \
    X(34, rskcatd, "rskcatd")                                      \
    X(35, rskcatf, "rskcatf")                                      \
    X(36, rskcatp, "rskcatp")                                      \
    X(37, rskcatr, "rskcatr")                                      \
    X(38, rskcatw, "rskcatw")                                      \
    X(39, rskccs, "rskccs")                                        \
    X(40, rskccsa, "rskccsa")                                      \
    X(41, rskccsc, "rskccsc")                                      \
    X(42, rskccsd, "rskccsd")                                      \
    X(43, rskccsf, "rskccsf")                                      \
    X(44, rskccsp, "rskccsp")                                      \
    X(45, rskcdac, "rskcdac")                                      \
    X(46, rskcdad, "rskcdad")                                      \
    X(47, rskcdts, "rskcdts")                                      \
    X(48, rskcdds, "rskcdds")                                      \
    X(49, rskcddt, "rskcddt")                                      \
    X(50, rskcddd, "rskcddd")                                      \
    X(51, rskcdat, "rskcdat")                                      \
    X(52, rskcdek, "rskcdek")                                      \
    X(53, rskcded, "rskcded")                                      \
    X(54, rskcdem, "rskcdem")                                      \
    X(55, rskcdmd, "rskcdmd")                                      \
    X(56, rskcdoc, "rskcdoc")                                      \
    X(57, rskcdpd, "rskcdpd")                                      \
    X(58, rskcdpr, "rskcdpr")                                      \
    X(59, rskcdpt, "rskcdpt")                                      \
    X(60, rskcdrg, "rskcdrg")                                      \
    X(61, rskcdst, "rskcdst")                                      \
    X(62, rskcdsu, "rskcdsu")                                      \
    X(63, rskcdtu, "rskcdtu")                                      \
    X(64, rskcdva, "rskcdva")                                      \
    X(65, rskcdda, "rskcdda")                                      \
    X(66, rskcdvk, "rskcdvk")                                      \
    X(67, rskcddk, "rskcddk")                                      \
    X(68, rskcdtp, "rskcdtp")                                      \
    X(69, rskckrt, "rskckrt")                                      \
    X(70, rskckt, "rskckt")                                        \
    X(71, rskckr, "rskckr")                                        \
    X(72, rskcmpg, "rskcmpg")                                      \
    X(73, rskcnac, "rskcnac")                                      \
    X(74, rskcsac, "rskcsac")                                      \
    X(75, rskcnts, "rskcnts")                                      \
    X(76, rskcnva, "rskcnva")                                      \
    X(77, rskcsts, "rskcsts")                                      \
    X(78, rskcsat, "rskcsat")                                      \
    X(79, rskcsek, "rskcsek")                                      \
    X(80, rskcsem, "rskcsem")                                      \
    X(81, rskcsdt, "rskcsdt")                                      \
    X(82, rskcsmd, "rskcsmd")                                      \
    X(83, rskcsoc, "rskcsoc")                                      \
    X(84, rskcspd, "rskcspd")                                      \
    X(85, rskcspt, "rskcspt")                                      \
    X(86, rskcsrg, "rskcsrg")                                      \
    X(87, rskcsst, "rskcsst")                                      \
    X(88, rskcssu, "rskcssu")                                      \
    X(89, rskcstu, "rskcstu")                                      \
    X(90, rskcsva, "rskcsva")                                      \
    X(91, rskcsac_again, "rskcsac")                                \
    X(92, rskcsvk, "rskcsvk")                                      \
    X(93, rskclbf, "rskclbf")                                      \
    X(94, rskclbp, "rskclbp")                                      \
    X(95, rskclbi, "rskclbi")                                      \
    X(96, rskcls, "rskcls")                                        \
    X(97, rskclsd, "rskclsd")                                      \
    X(98, rskclsf, "rskclsf")                                      \
    X(99, rskclsi, "rskclsi")                                      \
    X(100, rskclsp, "rskclsp")                                     \
    X(101, rskclsr, "rskclsr")                                     \
    X(102, rskclsv, "rskclsv")                                     \
    X(103, rskclsw, "rskclsw")                                     \
    X(104, rskcur, "rskcur")                                       \
    X(105, rskcur0, "rskcur0")                                     \
    X(106, rskcurm, "rskcurm")                                     \
    X(107, rskcurp, "rskcurp")                                     \
    X(108, rskdat, "rskdat")                                       \
    X(109, rskdata, "rskdata")                                     \
    X(110, rskdatc, "rskdatc")                                     \
    X(111, rskdatd, "rskdatd")                                     \
    X(112, rskdatf, "rskdatf")                                     \
    X(113, rskdatp, "rskdatp")                                     \
    X(114, rskdatr, "rskdatr")                                     \
    X(115, rskdflt, "rskdflt")                                     \
    X(116, rskfx, "rskfx")                                         \
    X(117, rskfxp, "rskfxp")                                       \
    X(118, rskfxp1, "rskfxp1")                                     \
    X(119, rskgrp0, "rskgrp0")                                     \
    X(120, rskgrp1, "rskgrp1")                                     \
    X(121, rskgrp2, "rskgrp2")                                     \
    X(122, rskgrp3, "rskgrp3")                                     \
    X(123, rskgrp4, "rskgrp4")                                     \
    X(124, rskgrp5, "rskgrp5")                                     \
    X(125, rskgrp6, "rskgrp6")                                     \
    X(126, rskgrpd, "rskgrpd")                                     \
    X(127, rskgrpf, "rskgrpf")                                     \
    X(128, rskgrpi, "rskgrpi")                                     \
    X(129, rskgrps, "rskgrps")                                     \
    X(130, rskgrpx, "rskgrpx")                                     \
    X(131, rskgrpy, "rskgrpy")                                     \
    X(132, rskgrpz, "rskgrpz")                                     \
    X(133, rskgtya, "rskgtya")                                     \
    X(134, rskgtyc, "rskgtyc")                                     \
    X(135, rskgtyg, "rskgtyg")                                     \
    X(136, rskgtyi, "rskgtyi")                                     \
    X(137, rskgtys, "rskgtys")                                     \
    X(138, rskhier, "rskhier")                                     \
    X(139, rskids, "rskids")                                       \
    X(140, rskidsa, "rskidsa")                                     \
    X(141, rskidsd, "rskidsd")                                     \
    X(142, rskidsf, "rskidsf")                                     \
    X(143, rskidsp, "rskidsp")                                     \
    X(144, rsklsta, "rsklsta")                                     \
    X(145, rsklstf, "rsklstf")                                     \
    X(146, rskmdsc, "rskmdsc")                                     \
    X(147, rskmdso, "rskmdso")                                     \
    X(148, rskmem0, "rskmem0")                                     \
    X(149, rskmem1, "rskmem1")                                     \
    X(150, rskmemf, "rskmemf")                                     \
    X(151, rskmod, "rskmod")                                       \
    X(152, rskmodd, "rskmodd")                                     \
    X(153, rskmodp, "rskmodp")                                     \
    X(154, rskmsp, "rskmsp")                                       \
    X(155, rskmtm, "rskmtm")                                       \
    X(156, rskname, "rskname")                                     \
    X(157, rsknamx, "rsknamx")                                     \
    X(158, rskoptg, "rskoptg")                                     \
    X(159, rskoptp, "rskoptp")                                     \
    X(160, rskopts, "rskopts")                                     \
    X(161, rskout, "rskout")                                       \
    X(162, rskoutd, "rskoutd")                                     \
    X(163, rskoutf, "rskoutf")                                     \
    X(164, rskoutp, "rskoutp")                                     \
    X(165, rskoutv, "rskoutv")                                     \
    X(166, rskoutx, "rskoutx")                                     \
    X(167, rskpnam, "rskpnam")                                     \
    X(168, rskpid, "rskpid")                                       \
    X(169, rskpida, "rskpida")                                     \
    X(170, rskpidm, "rskpidm")                                     \
    X(171, rskpmx, "rskpmx")                                       \
    X(172, rskpmxc, "rskpmxc")                                     \
    X(173, rskpmxd, "rskpmxd")                                     \
    X(174, rskpmxf, "rskpmxf")                                     \
    X(175, rskpmxp, "rskpmxp")                                     \
    X(176, rskpmx0, "rskpmx0")                                     \
    X(177, rskpdsd, "rskpdsd")                                     \
    X(178, rskpdsp, "rskpdsp")                                     \
    X(179, rskpdsr, "rskpdsr")                                     \
    X(180, rskpos, "rskpos")                                       \
    X(181, rskposc, "rskposc")                                     \
    X(182, rskposd, "rskposd")                                     \
    X(183, rskposf, "rskposf")                                     \
    X(184, rskposp, "rskposp")                                     \
    X(185, rskprj, "rskprj")                                       \
    X(186, rskprja, "rskprja")                                     \
    X(187, rskprjc, "rskprjc")                                     \
    X(188, rskprjd, "rskprjd")                                     \
    X(189, rskprjf, "rskprjf")                                     \
    X(190, rskprjp, "rskprjp")                                     \
    X(191, rskprjr, "rskprjr")                                     \
    X(192, rskprs, "rskprs")                                       \
    X(193, rskprsa, "rskprsa")                                     \
    X(194, rskprsc, "rskprsc")                                     \
    X(195, rskprsd, "rskprsd")                                     \
    X(196, rskprsf, "rskprsf")                                     \
    X(197, rskprsp, "rskprsp")                                     \
    X(198, rskpsfc, "rskpsfc")                                     \
    X(199, rskpsfe, "rskpsfe")                                     \
    X(200, rskpsfo, "rskpsfo")                                     \
    X(201, rskpsfv, "rskpsfv")                                     \
    X(202, rskpth, "rskpth")                                       \
    X(203, rskpthd, "rskpthd")                                     \
    X(204, rskpthf, "rskpthf")                                     \
    X(205, rskpthg, "rskpthg")                                     \
    X(206, rskpthp, "rskpthp")                                     \
    X(207, rskpthr, "rskpthr")                                     \
    X(208, rskpths, "rskpths")                                     \
    X(209, rskpthw, "rskpthw")                                     \
    X(210, rskpthy, "rskpthy")                                     \
    X(211, rskpthz, "rskpthz")                                     \
    X(212, rskptlr, "rskptlr")                                     \
    X(213, rskrate, "rskrate")                                     \
    X(214, rskread, "rskread")                                     \
    X(215, rskrefr, "rskrefr")                                     \
    X(216, rskrefw, "rskrefw")                                     \
    X(217, rskrep, "rskrep")                                       \
    X(218, rskrepd, "rskrepd")                                     \
    X(219, rskrepf, "rskrepf")                                     \
    X(220, rskrepp, "rskrepp")                                     \
    X(221, rskrepr, "rskrepr")                                     \
    X(222, rskrole, "rskrole")                                     \
    X(223, rskrun, "rskrun")                                       \
    X(224, rsksfde, "rsksfde")                                     \
    X(225, rsksize, "rsksize")                                     \
    X(226, rsksym, "rsksym")                                       \
    X(227, rsksymd, "rsksymd")                                     \
    X(228, rsksymf, "rsksymf")                                     \
    X(229, rsksyml, "rsksyml")                                     \
    X(230, rsksymp, "rsksymp")                                     \
    X(231, rskstr, "rskstr")                                       \
    X(232, rsktbla, "rsktbla")                                     \
    X(233, rsktblc, "rsktblc")                                     \
    X(234, rsktdf, "rsktdf")                                       \
    X(235, rsktdfp, "rsktdfp")                                     \
    X(236, rsktdfd, "rsktdfd")                                     \
    X(237, rsktdff, "rsktdff")                                     \
    X(238, rsktgd, "rsktgd")                                       \
    X(239, rsktgda, "rsktgda")                                     \
    X(240, rsktgdc, "rsktgdc")                                     \
    X(241, rsktgdd, "rsktgdd")                                     \
    X(242, rsktgde, "rsktgde")                                     \
    X(243, rsktgdf, "rsktgdf")                                     \
    X(244, rsktgdp, "rsktgdp")                                     \
    X(245, rsktmr1, "rsktmr1")                                     \
    X(246, rsktmr2, "rsktmr2")                                     \
    X(247, rsktmri, "rsktmri")                                     \
    X(248, rsktmrs, "rsktmrs")                                     \
    X(249, rsktmre, "rsktmre")                                     \
    X(250, rsktmro, "rsktmro")                                     \
    X(251, rsktrad, "rsktrad")                                     \
    X(252, rsktrai, "rsktrai")                                     \
    X(253, rsktraf, "rsktraf")                                     \
    X(254, rsktraw, "rsktraw")                                     \
    X(255, rsktrap, "rsktrap")                                     \
    X(256, rsktra0, "rsktra0")                                     \
    X(257, rsktrao, "rsktrao")                                     \
    X(258, rsktrac, "rsktrac")                                     \
    X(259, rsktras, "rsktras")                                     \
    X(260, rsktra1, "rsktra1")                                     \
    X(261, rsktriw, "rsktriw")                                     \
    X(262, rsktrn, "rsktrn")                                       \
    X(263, rsktrnl, "rsktrnl")                                     \
    X(264, rsktrnp, "rsktrnp")                                     \
    X(265, rsktrni, "rsktrni")                                     \
    X(266, rsktrnc, "rsktrnc")                                     \
    X(267, rsktrnd, "rsktrnd")                                     \
    X(268, rsktrnf, "rsktrnf")                                     \
    X(269, rsktrns, "rsktrns")                                     \
    X(270, rsktrn0, "rsktrn0")                                     \
    X(271, rskitrn, "rskitrn")                                     \
    X(272, rskptrn, "rskptrn")                                     \
    X(273, rskctrn, "rskctrn")                                     \
    X(274, rsktsg, "rsktsg")                                       \
    X(275, rsktsga, "rsktsga")                                     \
    X(276, rsktsgc, "rsktsgc")                                     \
    X(277, rsktsgd, "rsktsgd")                                     \
    X(278, rsktsgf, "rsktsgf")                                     \
    X(279, rsktsgp, "rsktsgp")                                     \
    X(280, rskvalc, "rskvalc")                                     \
    X(281, rskvaln, "rskvaln")                                     \
    X(282, rskvalp, "rskvalp")                                     \
    X(283, rskvar, "rskvar")                                       \
    X(284, rskvar0, "rskvar0")                                     \
    X(285, rskvar1, "rskvar1")                                     \
    X(286, rskvara, "rskvara")                                     \
    X(287, rskvarb, "rskvarb")                                     \
    X(288, rskvarc, "rskvarc")                                     \
    X(289, rskvard, "rskvard")                                     \
    X(290, rskvarf, "rskvarf")                                     \
    X(291, rskvari, "rskvari")                                     \
    X(292, rskvarm, "rskvarm")                                     \
    X(293, rskvarn, "rskvarn")                                     \
    X(294, rskvarp, "rskvarp")                                     \
    X(295, rskvarr, "rskvarr")                                     \
    X(296, rskvarw, "rskvarw")                                     \
    X(297, rskvc, "rskvc")                                         \
    X(298, rskvf, "rskvf")                                         \
    X(299, rskweb, "rskweb")                                       \
    X(300, rskwebd, "rskwebd")                                     \
    X(301, rskwebf, "rskwebf")                                     \
    X(302, rskwebp, "rskwebp")                                     \
    X(303, rskwebr, "rskwebr")                                     \
    X(304, rskwhr, "rskwhr")                                       \
    X(305, rskwhra, "rskwhra")                                     \
    X(306, rskwhrc, "rskwhrc")                                     \
    X(307, rskwhrd, "rskwhrd")                                     \
    X(308, rskwhrf, "rskwhrf")                                     \
    X(309, rskwhrp, "rskwhrp")                                     \
    X(310, rskwhru, "rskwhru")                                     \
    X(311, rskwhrv, "rskwhrv")                                     \
    X(312, rsktbla_again, "rsktbla")                               \
    X(313, rsktblf, "rsktblf")                                     \
    X(314, rsadela, "rsadela")                                     \
    X(315, rsamtma, "rsamtma")                                     \
    X(316, rsascna, "rsascna")                                     \
    X(317, rsaplca, "rsaplca")                                     \
    X(318, rsaplsa, "rsaplsa")                                     \
    X(319, rsacexa, "rsacexa")                                     \
    X(320, rsafaca, "rsafaca")                                     \
    X(321, rsafacg, "rsafacg")                                     \
    X(322, rsafacp, "rsafacp")                                     \
    X(323, rsafacs, "rsafacs")                                     \
    X(324, rsadvra, "rsadvra")                                     \
    X(325, rsapeqa, "rsapeqa")                                     \
    X(326, rsahsma, "rsahsma")                                     \
    X(327, rsacsma, "rsacsma")                                     \
    X(328, rsamsma, "rsamsma")                                     \
    X(329, rsaporta, "rsaporta")                                   \
    X(330, rsasimb, "rsasimb")                                     \
    X(331, rsassma, "rsassma")                                     \
    X(332, rsacfla, "rsacfla")                                     \
    X(333, rskicmp, "rskicmp")                                     \
    X(334, rskecmp, "rskecmp")                                     \
    X(335, rskcmp0, "rskcmp0")                                     \
    X(336, rskocmp, "rskocmp")                                     \
    X(337, rskcndt, "rskcndt")                                     \
    X(338, close_dataset, "close_dataset")                         \
    X(339, close_cpty_ds, "close_cpty_ds")                         \
    X(340, create_hash_item, "create_hash_item")                   \
    X(341, delete_cpty, "delete_cpty")                             \
    X(342, delete_cpty_con, "delete_cpty_con")                     \
    X(343, delete_cpty_type, "delete_cpty_type")                   \
    X(344, delete_cpty_var, "delete_cpty_var")                     \
    X(345, delete_dataset, "delete_dataset")                       \
    X(346, del_hash_table, "del_hash_table")                       \
    X(347, del_hash_item, "del_hash_item")                         \
    X(348, enumerate_table, "enumerate_table")                     \
    X(349, hash_query, "hash_query")                               \
    X(350, hash_insert, "hash_insert")                             \
    X(351, hash_remove, "hash_remove")                             \
    X(352, mit_add_super, "mit_add_super")                         \
    X(353, new_cpty, "new_cpty")                                   \
    X(354, new_cpty_con, "new_cpty_con")                           \
    X(355, new_cpty_ds, "new_cpty_ds")                             \
    X(356, new_cpty_model, "new_cpty_model")                       \
    X(357, new_cpty_type, "new_cpty_type")                         \
    X(358, new_cpty_var, "new_cpty_var")                           \
    X(359, new_dataset, "new_dataset")                             \
    X(360, new_dataset_var, "new_dataset_var")                     \
    X(361, new_dataset_obs, "new_dataset_obs")                     \
    X(362, new_hash_table, "new_hash_table")                       \
    X(363, new_hash_item, "new_hash_item")                         \
    X(364, new_mit_con, "new_mit_con")                             \
    X(365, new_mit_ds, "new_mit_ds")                               \
    X(366, new_mit_type, "new_mit_type")                           \
    X(367, new_mit_var, "new_mit_var")                             \
    X(368, open_dataset, "open_dataset")                           \
    X(369, open_cpty_input, "open_cpty_input")                     \
    X(370, open_cpty_output, "open_cpty_output")                   \
    X(371, read_obs, "read_obs")                                   \
    X(372, remove_obs, "remove_obs")                               \
    X(373, set_mode, "set_mode")                                   \
    X(374, write_obs, "write_obs")                                 \
    X(375, zsubmit, "zsubmit")                                     \
    X(376, unittest_stmt, "unittest_stmt")                         \
    X(377, rskrsvcpty, "rskrsvcpty")                               \
    X(378, utility_read, "utility_read")                           \
    X(379, utility_write, "utility_write")                         \
    X(380, new_utilfile, "new_utilfile")                           \
    X(381, delete_utilfile, "delete_utilfile")                     \
    X(382, open_utilfile, "open_utilfile")                         \
    X(383, close_utilfile, "close_utilfile")                       \
    X(384, cpty_add_super, "cpty_add_super")                       \
    X(385, rskcptyxmlinit, "rskcptyxmlinit")                       \
    X(386, rskcptyxmlfree, "rskcptyxmlfree")                       \
    X(387, rskcptyxmlparse, "rskcptyxmlparse")                     \
    X(388, rskcptybuildxml, "rskcptybuildxml")                     \
    X(389, new_cpty_catdesc, "new_cpty_catdesc")                   \
    X(390, rskmitxmlinit, "rskmitxmlinit")                         \
    X(391, rskmitxmlfree, "rskmitxmlfree")                         \
    X(392, rskmitxmlparse, "rskmitxmlparse")                       \
    X(393, rskmitbuildxml, "rskmitbuildxml")                       \
    X(394, new_mit_catdesc, "new_mit_catdesc")                     \
    X(395, fill_currency_table, "fill_currency_table")             \
    X(396, is_simulation, "is_simulation")                         \
    X(397, is_sensitivity, "is_sensitivity")                       \
    X(398, is_scenario, "is_scenario")                             \
    X(399, is_mtm, "is_mtm")                                       \
    X(400, number_of_outvars, "number_of_outvars")                 \
    X(401, is_exposure_type_variable, "is_exposure_type_variable") \

enum class EngineSlot : int {
#define QOR_SLOT_ENUMERATOR(number, id, name) id = number,
    QOR_ENGINE_SLOTS(QOR_SLOT_ENUMERATOR)
#undef QOR_SLOT_ENUMERATOR
};

// The routine name of each slot, for messages about a slot (null for slot 0).
inline constexpr const char* kEngineSlotNames[kEngineTableSlots] = {
    nullptr,
#define QOR_SLOT_NAME(number, id, name) name,
    QOR_ENGINE_SLOTS(QOR_SLOT_NAME)
#undef QOR_SLOT_NAME
};

namespace engine_table_detail {
inline constexpr int kNumbers[] = {
#define QOR_SLOT_NUMBER(number, id, name) number,
    QOR_ENGINE_SLOTS(QOR_SLOT_NUMBER)
#undef QOR_SLOT_NUMBER
};
constexpr bool numbered_in_order() {
    for (int i = 0; i < static_cast<int>(sizeof kNumbers / sizeof kNumbers[0]); ++i)
        if (kNumbers[i] != i + 1) return false;
    return true;
}
static_assert(sizeof kNumbers / sizeof kNumbers[0] == kEngineTableSlots - 1, "one entry per slot 1 to 401");
static_assert(numbered_in_order(), "slots listed once each, in order");

// Slots whose routine is not built yet but will hand back a record: their placeholder answers
// null, since a code read as an address would be followed by the caller.
inline constexpr int kUnbuiltRecordSlots[] = {
    10, 31, 39, 72, 108, 139, 151, 180, 185, 192, 217, 234, 238, 262, 274,
    299, 304, 353, 354, 355, 356, 357, 358, 364, 365, 366, 367, 385, 388, 389, 390, 393, 394,
    10, 31, 39, 72, 108, 139, 151, 161, 180, 185, 192, 217, 234, 238, 262, 274,
    299, 304, 385, 388, 390, 393,
};
constexpr bool answers_record(EngineSlot slot) {
    for (int s : kUnbuiltRecordSlots)
        if (s == static_cast<int>(slot)) return true;
    return false;
}
}  // namespace engine_table_detail

// A slot whose routine is not built yet has the type of its answer and the control structure:
// whoever builds the routine gives the slot its full type below, and the filler checks it.
using UnbuiltEngineCode = int (*)(RSKCON*);
using UnbuiltEngineRecord = void* (*)(RSKCON*);

template <EngineSlot S>
struct EngineSlotType {
    using type = std::conditional_t<engine_table_detail::answers_record(S), UnbuiltEngineRecord,
                                    UnbuiltEngineCode>;
};

// The full type of every slot whose routine is built or called by another module.
#define QOR_ENGINE_SLOT_TYPE(id, ...)        \
    template <>                              \
    struct EngineSlotType<EngineSlot::id> { \
        using type = __VA_ARGS__;            \
    };
QOR_ENGINE_SLOT_TYPE(rskatrm, int (*)())
QOR_ENGINE_SLOT_TYPE(rskinit, int (*)(RSKCON**, int, uint32_t, uint32_t))
QOR_ENGINE_SLOT_TYPE(rsk0, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskterm, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskadti, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskadtp, int (*)(RSKCON*, int, int, ...))
QOR_ENGINE_SLOT_TYPE(rskalgn, int (*)(RSKCON*, int, RSKSTYPE))
QOR_ENGINE_SLOT_TYPE(rskaltb, int (*)(RSKCON*, int))
QOR_ENGINE_SLOT_TYPE(rskanlc, int (*)(RSKCON*, RSKANALYSIS*))
// Analyses, projects, reports and web reports, and the submission of one generated line.
struct RSKWEBRUN;
QOR_ENGINE_SLOT_TYPE(rskanl, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskanld, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskanlf, int (*)(RSKCON*, RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(rskanlp, int (*)(RSKCON*, RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(rskprj, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskprja, int (*)(RSKCON*, RSKPROJECT*, int, const RSKNAMEREC*, double))
QOR_ENGINE_SLOT_TYPE(rskprjc, int (*)(RSKCON*, RSKPROJECT*))
QOR_ENGINE_SLOT_TYPE(rskprjd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskprjf, int (*)(RSKCON*, RSKPROJECT*))
QOR_ENGINE_SLOT_TYPE(rskprjp, int (*)(RSKCON*, RSKPROJECT*))
QOR_ENGINE_SLOT_TYPE(rskprjr, int (*)(RSKCON*, RSKPROJECT*))
// Analysis definitions that the analysis form of catalog storage calls (slots 314 to 332 but the
// mark-to-market, current-exposure and factor entries, which the analyses declare).
struct RSKSIMOPTS;
QOR_ENGINE_SLOT_TYPE(rsadela, int (*)(RSKCON*, RSKANALYSIS*, int32_t, int32_t, int32_t, int32_t, const RSKNAMEREC*,
                                      const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsascna, int (*)(RSKCON*, RSKANALYSIS*, int32_t))
QOR_ENGINE_SLOT_TYPE(rsaplca, int (*)(RSKCON*, RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(rsaplsa, int (*)(RSKCON*, RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(rsadvra, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*, const interval_spec*))
QOR_ENGINE_SLOT_TYPE(rsapeqa, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*, double))
QOR_ENGINE_SLOT_TYPE(rsahsma, int (*)(RSKCON*, RSKANALYSIS*, const RSKSIMOPTS*))
QOR_ENGINE_SLOT_TYPE(rsacsma, int (*)(RSKCON*, RSKANALYSIS*, const RSKSIMOPTS*))
QOR_ENGINE_SLOT_TYPE(rsamsma, int (*)(RSKCON*, RSKANALYSIS*, const RSKSIMOPTS*))
QOR_ENGINE_SLOT_TYPE(rsassma, int (*)(RSKCON*, RSKANALYSIS*, const RSKSIMOPTS*))
QOR_ENGINE_SLOT_TYPE(rsaporta, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*, int32_t, int32_t, int32_t, const int32_t*,
                                       int32_t, const double*, int32_t, const int32_t*, const RSKNAMEREC*,
                                       const RSKNAMEREC*, int32_t))
QOR_ENGINE_SLOT_TYPE(rsasimb, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*, int32_t))
QOR_ENGINE_SLOT_TYPE(rsacfla, int (*)(RSKCON*, RSKANALYSIS*, int32_t, int32_t, int32_t, const RSKNAMEREC*, double, double))
QOR_ENGINE_SLOT_TYPE(rskrep, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskrepd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, const RSKNAMEREC*,
                                      const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskrepf, int (*)(RSKCON*, RSKREPORT*))
QOR_ENGINE_SLOT_TYPE(rskrepp, int (*)(RSKCON*, RSKREPORT*))
QOR_ENGINE_SLOT_TYPE(rskrepr, int (*)(RSKCON*, RSKREPORT*))
QOR_ENGINE_SLOT_TYPE(rskweb, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskwebd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, const RSKNAMEREC*,
                                      const RSKNAMEREC*, const RSKNAMEREC*, int, const RSKNAMEREC*, int, int,
                                      RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskwebf, int (*)(RSKCON*, RSKWEBREP*))
QOR_ENGINE_SLOT_TYPE(rskwebp, int (*)(RSKCON*, RSKWEBREP*))
QOR_ENGINE_SLOT_TYPE(rskwebr, int (*)(RSKCON*, RSKWEBREP*, const RSKWEBRUN*))
QOR_ENGINE_SLOT_TYPE(rskcaad, double (*)(const RSKCALENDAR*, double, int))
QOR_ENGINE_SLOT_TYPE(rskcaam, double (*)(double, int))
QOR_ENGINE_SLOT_TYPE(rskcabd, int (*)(const RSKCALENDAR*, double))
QOR_ENGINE_SLOT_TYPE(rskcal, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskcalc, int (*)(RSKCON*, RSKCALENDAR*))
QOR_ENGINE_SLOT_TYPE(rskcald, int (*)(RSKCON*, RSKCALENDAR**, const char*, int, int, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskcalf, int (*)(RSKCON*, RSKCALENDAR*))
QOR_ENGINE_SLOT_TYPE(rskcalp, int (*)(RSKCON*, const RSKCALENDAR*))
QOR_ENGINE_SLOT_TYPE(rskcanb, double (*)(const RSKCALENDAR*, double))
QOR_ENGINE_SLOT_TYPE(rskcapb, double (*)(const RSKCALENDAR*, double))
QOR_ENGINE_SLOT_TYPE(rskcdac, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdad, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdts, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdds, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcddt, int (*)(RSKCON*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcddd, int (*)(RSKCON*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdat, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdek, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcded, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdem, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdmd, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdoc, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdpd, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdpr, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskcdpt, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskcdrg, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdst, int (*)(RSKCON*, int, RSKSTYPE*))
QOR_ENGINE_SLOT_TYPE(rskcdsu, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdtu, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdva, int (*)(RSKCON*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdda, int (*)(RSKCON*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdvk, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcddk, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcdtp, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskckrt, int (*)(RSKCON*, int, int, int))
QOR_ENGINE_SLOT_TYPE(rskckt, int (*)(RSKCON*, int, int))
QOR_ENGINE_SLOT_TYPE(rskckr, int (*)(RSKCON*, int, int))
QOR_ENGINE_SLOT_TYPE(rskcnac, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsac, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcnts, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcnva, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsts, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsat, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsek, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsem, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsdt, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsmd, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsoc, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcspd, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcspt, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsrg, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsst, int (*)(RSKCON*, const RSKSTYPE*, const char**))
QOR_ENGINE_SLOT_TYPE(rskcssu, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcstu, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsva, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsac_again, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcsvk, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(rskcur, RSKCURRENCY* (*)(RSKCON*, const char*))
QOR_ENGINE_SLOT_TYPE(rskcur0, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskcurm, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskcurp, int (*)(RSKCON*, int))
QOR_ENGINE_SLOT_TYPE(rskfx, RSKFXENTRY* (*)(RSKCON*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskfxp, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskfxp1, int (*)(RSKCON*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskgtya, int (*)(RSKCON*, RSKTYPELIST*, const char*, int, int*))
QOR_ENGINE_SLOT_TYPE(rskgtyc, int (*)(RSKCON*, RSKTYPELIST*))
QOR_ENGINE_SLOT_TYPE(rskgtyg, int (*)(RSKCON*, const RSKTYPELIST*, int, RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskgtyi, int (*)(RSKCON*, RSKTYPELIST*, int))
QOR_ENGINE_SLOT_TYPE(rskgtys, int (*)(RSKCON*, const RSKTYPELIST*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsklsta, int (*)(RSKCON*, RSKNAMECELL**, RSKNAMECELL**, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsklstf, int (*)(RSKCON*, RSKNAMECELL**, RSKNAMECELL**))
QOR_ENGINE_SLOT_TYPE(rskmdso, int (*)(RSKCON*, struct mds*, int, struct RSKANALYSIS*, const struct RSKNAMECELL*,
                                      const interval_spec*, const struct RSKVARLINK*))
// Run working storage (engine/run/run_storage.h).
QOR_ENGINE_SLOT_TYPE(rskmem0, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskmem1, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskmemf, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskname, int (*)(RSKCON*, RSKOBJNAME*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsknamx, int (*)(RSKCON*, RSKOBJNAME*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskoptg, int (*)(RSKCON*, int, const RSKOPTREC*, int*, double*, const RSKNAMEREC**))
QOR_ENGINE_SLOT_TYPE(rskoptp, int (*)(RSKCON*, const RSKOPTREC*, int))
QOR_ENGINE_SLOT_TYPE(rskopts, int (*)(RSKCON*, int, RSKOPTREC*, int, double, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskpnam, int (*)(RSKCON*, RSKPATHNAME*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskpth, RSKPATHENTRY* (*)(RSKCON*, const char*, int, char*, char*))
QOR_ENGINE_SLOT_TYPE(rskpthd, int (*)(RSKCON*, const char*, int, int, const char*))
QOR_ENGINE_SLOT_TYPE(rskpthf, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskpthg, int (*)(RSKCON*, const RSKNAMEREC*, const char*, int, char*, member_name*, char*, int))
QOR_ENGINE_SLOT_TYPE(rskpthp, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskpthr, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskpths, int (*)(RSKCON*, const char*))
QOR_ENGINE_SLOT_TYPE(rskpthw, int (*)(RSKCON*, const char*, int, const char*, char*, member_name*, char*, int))
QOR_ENGINE_SLOT_TYPE(rskpthy, int (*)(RSKCON*, const char*, char*, int))
QOR_ENGINE_SLOT_TYPE(rskpthz, RSKPATHENTRY* (*)(RSKCON*, const char*, char*))
QOR_ENGINE_SLOT_TYPE(rskptlr, int (*)(RSKCON*, const char*))
QOR_ENGINE_SLOT_TYPE(rskrole, const RSKROLEROW* (*)(RSKCON*, int))
QOR_ENGINE_SLOT_TYPE(rsksfde, int (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsksize, int (*)(RSKCON*, RSKSTYPE))
QOR_ENGINE_SLOT_TYPE(rsksym, void* (*)(RSKCON*, const RSKSYMTAB*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsksymd, int (*)(RSKCON*, RSKSYMTAB*, const RSKNAMEREC*, void*))
QOR_ENGINE_SLOT_TYPE(rsksymf, int (*)(RSKCON*, RSKSYMTAB*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsksyml, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rsksymp, int (*)(RSKCON*, const RSKSYMTAB*))
QOR_ENGINE_SLOT_TYPE(rskstr, int (*)(RSKCON*, RSKNAMEREC*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsktbla, int (*)(RSKCON*, RSKSYMTAB*, int, RSKSYMTAB*, qor_pool*, RSKFREELISTS*, uint32_t))
QOR_ENGINE_SLOT_TYPE(rsktblc, int (*)(RSKCON*, RSKSYMTAB*, int))
QOR_ENGINE_SLOT_TYPE(rsktmr1, int (*)(RSKCON*, const char*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsktmr2, int (*)(RSKCON*, int))
QOR_ENGINE_SLOT_TYPE(rsktmri, int (*)(RSKCON*, RSKTIMER*, const char*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsktmrs, int (*)(RSKCON*, RSKTIMER*))
QOR_ENGINE_SLOT_TYPE(rsktmre, int (*)(RSKCON*, RSKTIMER*))
QOR_ENGINE_SLOT_TYPE(rsktmro, int (*)(RSKCON*, RSKTIMER*))
QOR_ENGINE_SLOT_TYPE(rskvalc, int (*)(RSKCON*, RSKVALUECELL**, RSKVARIABLE*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskvaln, int (*)(RSKCON*, RSKVALUECELL**, RSKVARIABLE*, double))
QOR_ENGINE_SLOT_TYPE(rskvalp, int (*)(const RSKVALUECELL*))
QOR_ENGINE_SLOT_TYPE(rskvar, RSKVARIABLE* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskvar0, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskvar1, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskvara, int (*)(RSKCON*, RSKVARIABLE*, const char*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskvarb, int (*)(RSKCON*, RSKVARIABLE*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskvarc, int (*)(RSKCON*, RSKVARIABLE*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskvard, int (*)(RSKCON*, RSKVARIABLE**, const RSKVARDEF*))
QOR_ENGINE_SLOT_TYPE(rskvarf, int (*)(RSKCON*, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(rskvari, int (*)(RSKCON*, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(rskvarm, int (*)(RSKCON*, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(rskvarn, int (*)(RSKCON*, RSKVARIABLE*, double))
QOR_ENGINE_SLOT_TYPE(rskvc, RSKVARIABLE* (*)(RSKCON*, RSKINSTTYPE*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskvf, RSKVARIABLE* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsktbla_again, int (*)(RSKCON*, RSKSYMTAB*, int, RSKSYMTAB*, qor_pool*, RSKFREELISTS*, uint32_t))
QOR_ENGINE_SLOT_TYPE(rsktblf, int (*)(RSKCON*, RSKSYMTAB*))
QOR_ENGINE_SLOT_TYPE(rskcndt, int (*)(RSKCON*, int, const char**))
QOR_ENGINE_SLOT_TYPE(close_dataset, int (*)(dataset*))
QOR_ENGINE_SLOT_TYPE(create_hash_item, hash_item* (*)(qor_pool*, const char*, void*))
QOR_ENGINE_SLOT_TYPE(delete_dataset, int (*)(qor_pool*, dataset*))
QOR_ENGINE_SLOT_TYPE(del_hash_table, int (*)(qor_pool*, hash_table*))
QOR_ENGINE_SLOT_TYPE(del_hash_item, int (*)(qor_pool*, hash_item*))
QOR_ENGINE_SLOT_TYPE(enumerate_table, hash_item* (*)(const hash_table*))
QOR_ENGINE_SLOT_TYPE(hash_query, hash_item* (*)(const hash_table*, const char*))
QOR_ENGINE_SLOT_TYPE(hash_insert, int (*)(hash_table*, hash_item*))
QOR_ENGINE_SLOT_TYPE(hash_remove, hash_item* (*)(hash_table*, const char*))
QOR_ENGINE_SLOT_TYPE(new_dataset, dataset* (*)(qor_pool*, const char*, const char*, int))
QOR_ENGINE_SLOT_TYPE(new_dataset_var, dataset_var* (*)(qor_pool*, const char*, void*, int, int, dataset_var*))
QOR_ENGINE_SLOT_TYPE(new_dataset_obs, dataset_obs* (*)(qor_pool*, dataset_var*, int64_t))
QOR_ENGINE_SLOT_TYPE(new_hash_table, hash_table* (*)(qor_pool*, int))
QOR_ENGINE_SLOT_TYPE(new_hash_item, hash_item* (*)(qor_pool*))
QOR_ENGINE_SLOT_TYPE(open_dataset, int (*)(dataset*))
QOR_ENGINE_SLOT_TYPE(read_obs, int (*)(dataset*, dataset_obs*))
QOR_ENGINE_SLOT_TYPE(remove_obs, int (*)(dataset*, dataset_obs*))
QOR_ENGINE_SLOT_TYPE(set_mode, int (*)(dataset*, int))
QOR_ENGINE_SLOT_TYPE(write_obs, int (*)(dataset*, dataset_obs*))
QOR_ENGINE_SLOT_TYPE(unittest_stmt, int (*)(RSKCON*, statement_node*))
QOR_ENGINE_SLOT_TYPE(utility_read, int (*)(utilfile*, void*, int64_t, int64_t))
QOR_ENGINE_SLOT_TYPE(utility_write, int (*)(utilfile*, const void*, int64_t, int64_t))
QOR_ENGINE_SLOT_TYPE(new_utilfile, utilfile* (*)(qor_pool*, const char*, const char*, int))
QOR_ENGINE_SLOT_TYPE(delete_utilfile, int (*)(qor_pool*, utilfile*))
QOR_ENGINE_SLOT_TYPE(open_utilfile, int (*)(utilfile*))
QOR_ENGINE_SLOT_TYPE(close_utilfile, int (*)(utilfile*))
QOR_ENGINE_SLOT_TYPE(fill_currency_table, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(is_simulation, int (*)(const RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(is_sensitivity, int (*)(const RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(is_scenario, int (*)(const RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(is_mtm, int (*)(const RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(number_of_outvars, int (*)(RSKCON*, const RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(is_exposure_type_variable, int (*)(RSKCON*, RSKVARIABLE*))
// Time grids, models, categories, cross-classifications and arrays.
QOR_ENGINE_SLOT_TYPE(rskarya, int (*)(RSKCON*, RSKVARIABLE*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskaryb, int (*)(RSKCON*, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(rskaryc, int (*)(RSKCON*, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(rskaryp, int (*)(RSKCON*, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(rskcat, RSKCATEGORY* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskcata, int (*)(RSKCON*, RSKCATEGORY*, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(rskcatc, int (*)(RSKCON*, RSKCATEGORY*))
QOR_ENGINE_SLOT_TYPE(rskcatd, int (*)(RSKCON*, const RSKNAMEREC*, RSKCATEGORY**))
QOR_ENGINE_SLOT_TYPE(rskcatf, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskcatp, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskccs, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskccsa, int (*)(RSKCON*, RSKCROSSCLASS*, RSKHIERARCHY**))
QOR_ENGINE_SLOT_TYPE(rskccsc, int (*)(RSKCON*, RSKCROSSCLASS*))
QOR_ENGINE_SLOT_TYPE(rskccsd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskccsf, int (*)(RSKCON*, RSKCROSSCLASS*))
QOR_ENGINE_SLOT_TYPE(rskccsp, int (*)(RSKCON*, const RSKCROSSCLASS*))
QOR_ENGINE_SLOT_TYPE(rskhier, int (*)(RSKCON*, RSKCROSSCLASS*, RSKHIERARCHY*, const RSKNAMEREC*, int))
QOR_ENGINE_SLOT_TYPE(rskmod, RSKMODEL* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskmodd, int (*)(RSKCON*, const char*, int, uint32_t, const RSKNAMEREC*, RSKMODEL**))
QOR_ENGINE_SLOT_TYPE(rskmodp, int (*)(RSKCON*, uint32_t))
QOR_ENGINE_SLOT_TYPE(rskmsp, RSKMODEL* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsktgd, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsktgda, int (*)(RSKCON*, RSKTIMEGRID*, double, uint32_t))
QOR_ENGINE_SLOT_TYPE(rsktgdc, int (*)(RSKCON*, RSKTIMEGRID*))
QOR_ENGINE_SLOT_TYPE(rsktgdd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rsktgde, int (*)(RSKCON*, RSKTIMEGRID*))
QOR_ENGINE_SLOT_TYPE(rsktgdf, int (*)(RSKCON*, RSKTIMEGRID*))
QOR_ENGINE_SLOT_TYPE(rsktgdp, int (*)(RSKCON*, const RSKTIMEGRID*))
// Position filters, statistics lists and instrument filter expressions.
struct RSKINSTFILTER;
struct RSKTRANFILE;
QOR_ENGINE_SLOT_TYPE(rskwhr, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskwhra, int (*)(RSKCON*, RSKFILTER*, const RSKNAMEREC*, int))
QOR_ENGINE_SLOT_TYPE(rskwhrc, int (*)(RSKCON*, RSKFILTER*))
QOR_ENGINE_SLOT_TYPE(rskwhrd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskwhrf, int (*)(RSKCON*, RSKFILTER*))
QOR_ENGINE_SLOT_TYPE(rskwhrp, int (*)(RSKCON*, const RSKFILTER*))
QOR_ENGINE_SLOT_TYPE(rskwhru, int (*)(RSKCON*, RSKFILTER*, const RSKNAMEREC*, const int32_t*, int))
QOR_ENGINE_SLOT_TYPE(rskwhrv, int (*)(RSKCON*, const RSKFILTER*))
QOR_ENGINE_SLOT_TYPE(rsktsg, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsktsga, int (*)(RSKCON*, RSKTRANSTATS*, int, const char*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rsktsgc, int (*)(RSKCON*, RSKTRANSTATS*))
QOR_ENGINE_SLOT_TYPE(rsktsgd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rsktsgf, int (*)(RSKCON*, RSKTRANSTATS*))
QOR_ENGINE_SLOT_TYPE(rsktsgp, int (*)(RSKCON*, const RSKTRANSTATS*))
QOR_ENGINE_SLOT_TYPE(rskpsfc, int (*)(RSKINSTFILTER*))
QOR_ENGINE_SLOT_TYPE(rskpsfe, int (*)(RSKINSTFILTER*))
QOR_ENGINE_SLOT_TYPE(rskpsfo, int (*)(RSKCON*, const char*, int, RSKINSTFILTER**))
QOR_ENGINE_SLOT_TYPE(rskpsfv, int (*)(RSKCON*, const char*))
// Instrument types, the catalog data sets of definitions and the variables listing.
QOR_ENGINE_SLOT_TYPE(rskactd, int (*)(RSKCON*, RSKINSTTYPE*, int, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskclbp, int (*)(RSKCON*, int))
QOR_ENGINE_SLOT_TYPE(rskcls, RSKINSTTYPE* (*)(RSKCON*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskclsd, int (*)(RSKCON*, RSKINSTTYPE**, const char*, int, const char*, int, const char*, int, int, int, RSKENV*))
QOR_ENGINE_SLOT_TYPE(rskclsf, int (*)(RSKCON*, RSKINSTTYPE*))
QOR_ENGINE_SLOT_TYPE(rskclsi, int (*)(RSKCON*, RSKINSTTYPE*))
QOR_ENGINE_SLOT_TYPE(rskclsp, int (*)(RSKCON*, RSKINSTTYPE*))
QOR_ENGINE_SLOT_TYPE(rskclsv, int (*)(RSKCON*, RSKINSTTYPE*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskdflt, int (*)(RSKCON*, RSKINSTTYPE*, const char*, int, double, const char*, int, int))
QOR_ENGINE_SLOT_TYPE(rskclsr, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskclsw, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskvarr, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskvarw, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskaryr, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskaryw, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskrefr, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskrefw, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskcatr, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskcatw, int (*)(RSKCON*, const char*, const char*, const char*))
QOR_ENGINE_SLOT_TYPE(rskvarp, int (*)(RSKCON*, RSKVARIABLE*, int))
// The methods compiler's method look-up, which instrument types call.
QOR_ENGINE_SLOT_TYPE(rsktrn, RSKGENTRANS* (*)(RSKCON*, const RSKNAMEREC*))
// Lagged risk factors and parameter matrices: the market data reader's close, and the maps and
// matrices of slots 168 to 176.
QOR_ENGINE_SLOT_TYPE(rskmdsc, int (*)(RSKCON*, struct mds*))
QOR_ENGINE_SLOT_TYPE(rskpid, RSKIDENTRY* (*)(RSKCON*, const RSKIDMAP*, const char*, int))
QOR_ENGINE_SLOT_TYPE(rskpida, int (*)(RSKCON*, RSKIDMAP*, const char*, int, int))
QOR_ENGINE_SLOT_TYPE(rskpidm, int (*)(RSKCON*, RSKIDMAP*, int, int))
QOR_ENGINE_SLOT_TYPE(rskpmx, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskpmxc, int (*)(RSKCON*, RSKPARMATRIX*))
QOR_ENGINE_SLOT_TYPE(rskpmxd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, const RSKNAMEREC*, int, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskpmxf, int (*)(RSKCON*, RSKPARMATRIX*))
QOR_ENGINE_SLOT_TYPE(rskpmxp, int (*)(RSKCON*, RSKPARMATRIX*))
QOR_ENGINE_SLOT_TYPE(rskpmx0, int (*)(RSKCON*))
// Position data set definitions, position sources, instrument file definitions, market data set
// definitions and transformation sets; the instrument file reader that instrument files print with.
QOR_ENGINE_SLOT_TYPE(rskdat, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskdata, int (*)(RSKCON*, RSKCATOBJ*, const RSKNAMEREC*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskdatc, int (*)(RSKCON*, RSKTDATA*))
QOR_ENGINE_SLOT_TYPE(rskdatd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, uint32_t, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskdatf, int (*)(RSKCON*, RSKTDATA*))
QOR_ENGINE_SLOT_TYPE(rskdatp, int (*)(RSKCON*, const RSKTDATA*))
QOR_ENGINE_SLOT_TYPE(rskdatr, int (*)(RSKCON*, RSKCATOBJ*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskpos, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskposc, int (*)(RSKCON*, RSKTSOURCE*))
QOR_ENGINE_SLOT_TYPE(rskposd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskposf, int (*)(RSKCON*, RSKTSOURCE*))
QOR_ENGINE_SLOT_TYPE(rskposp, int (*)(RSKCON*, const RSKTSOURCE*))
QOR_ENGINE_SLOT_TYPE(rskpdsd, int (*)(RSKCON*, RSKCATOBJ*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskpdsp, int (*)(RSKCON*, const RSKTSOURCE*))
QOR_ENGINE_SLOT_TYPE(rskpdsr, int (*)(RSKCON*, RSKCATOBJ*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsktdf, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsktdfd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rsktdff, int (*)(RSKCON*, RSKTFILE*))
QOR_ENGINE_SLOT_TYPE(rsktdfp, int (*)(RSKCON*, RSKTFILE*, void*, int, int))
QOR_ENGINE_SLOT_TYPE(rskids, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskidsa, int (*)(RSKCON*, RSKCATOBJ*, const RSKNAMEREC*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskidsd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, uint32_t, const interval_spec*, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskidsf, int (*)(RSKCON*, RSKINPUTDS*))
QOR_ENGINE_SLOT_TYPE(rskidsp, int (*)(RSKCON*, const RSKINPUTDS*))
QOR_ENGINE_SLOT_TYPE(rskprs, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskprsa, int (*)(RSKCON*, RSKCATOBJ*, uint32_t, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskprsc, int (*)(RSKCON*, RSKPRATESET*))
QOR_ENGINE_SLOT_TYPE(rskprsd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskprsf, int (*)(RSKCON*, RSKPRATESET*))
QOR_ENGINE_SLOT_TYPE(rskprsp, int (*)(RSKCON*, const RSKPRATESET*))
// Instrument utility files (engine/files/instrument_file.h).
QOR_ENGINE_SLOT_TYPE(rsktrad, int (*)(RSKCON*, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rsktrai, void (*)(RSKCON*, RSKINSTTYPE*))
QOR_ENGINE_SLOT_TYPE(rsktraf, int (*)(RSKCON*, RSKTRANFILE*, const RSKNAMEREC*, int))
QOR_ENGINE_SLOT_TYPE(rsktraw, int (*)(RSKCON*, RSKTRANFILE*, int, RSKINSTTYPE*))
QOR_ENGINE_SLOT_TYPE(rsktrap, void (*)(RSKCON*, RSKTRANFILE*, RSKINSTTYPE*))
QOR_ENGINE_SLOT_TYPE(rsktra0, int (*)(RSKCON*, RSKTRANFILE*, int))
QOR_ENGINE_SLOT_TYPE(rsktrao, int (*)(RSKCON*, RSKTRANFILE*, RSKCATOBJ*, int))
QOR_ENGINE_SLOT_TYPE(rsktrac, void (*)(RSKCON*, RSKTRANFILE*))
QOR_ENGINE_SLOT_TYPE(rsktras, int (*)(RSKCON*, RSKTRANFILE*, RSKCATOBJ*, int))
QOR_ENGINE_SLOT_TYPE(rsktra1, int (*)(RSKCON*, RSKTRANFILE*, RSKINSTTYPE**))
QOR_ENGINE_SLOT_TYPE(rsktriw, int (*)(RSKCON*, RSKTRANFILE*))
QOR_ENGINE_SLOT_TYPE(rskread, int (*)(RSKCON*, RSKCATOBJ*, const RSKNAMEREC*, const RSKNAMEREC*, const RSKNAMEREC*, int,
                                      const char*))
// The compiler driver's compile handle (engine/compiler/compiler_driver.h).
QOR_ENGINE_SLOT_TYPE(rskcmpg, cmp_session* (*)(RSKCON*, int))
QOR_ENGINE_SLOT_TYPE(rskicmp, int (*)(int, int, RSKCON*, int))
QOR_ENGINE_SLOT_TYPE(rskecmp, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskcmp0, int (*)(RSKCON*, cmp_session*, int, int, const cmp_library*))
QOR_ENGINE_SLOT_TYPE(rskocmp, int (*)(RSKCMPCON*, int, int))
QOR_ENGINE_SLOT_TYPE(zsubmit, int (*)(const char*, int, void*, int, int, int))
// Method objects (engine/compiler/method_*.cpp).
QOR_ENGINE_SLOT_TYPE(rsktrnl, int (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsktrnp, int (*)(RSKGENTRANS*, int))
QOR_ENGINE_SLOT_TYPE(rsktrni, int (*)(RSKCON*, RSKGENTRANS*, char*, size_t, int, int, void*, int, int))
QOR_ENGINE_SLOT_TYPE(rsktrnc, int (*)(RSKCON*, RSKGENTRANS*))
QOR_ENGINE_SLOT_TYPE(rsktrnd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, char, RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rsktrnf, int (*)(RSKCON*, RSKGENTRANS*))
QOR_ENGINE_SLOT_TYPE(rsktrns, int (*)(RSKCON*, RSKGENTRANS*, int))
QOR_ENGINE_SLOT_TYPE(rsktrn0, int (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskitrn, int (*)(RSKGENTRANS*))
QOR_ENGINE_SLOT_TYPE(rskptrn, int (*)(RSKGENTRANS*, const char*, char, int))
QOR_ENGINE_SLOT_TYPE(rskctrn, void (*)(RSKGENTRANS*))
// Output objects (engine/output/output_object*.cpp) and the analysis definitions of the factor
// entries, mark-to-market and current exposure (engine/analyses/).
struct RSKOUTOBJ;
struct RSKANLFACTOR;
QOR_ENGINE_SLOT_TYPE(rskout, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskoutd, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, const RSKNAMEREC*, int,
                                      RSKCATOBJ*))
QOR_ENGINE_SLOT_TYPE(rskoutf, int (*)(RSKCON*, RSKOUTOBJ*))
QOR_ENGINE_SLOT_TYPE(rskoutp, int (*)(RSKCON*, RSKOUTOBJ*))
QOR_ENGINE_SLOT_TYPE(rskoutv, int (*)(RSKCON*, RSKOUTOBJ*, RSKENV*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rskoutx, int (*)(RSKCON*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsamtma, int (*)(RSKCON*, RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(rsacexa, int (*)(RSKCON*, RSKANALYSIS*))
QOR_ENGINE_SLOT_TYPE(rsafaca, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*))
QOR_ENGINE_SLOT_TYPE(rsafacg, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*, double, double, uint32_t, uint32_t))
QOR_ENGINE_SLOT_TYPE(rsafacp, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*, double, uint32_t))
QOR_ENGINE_SLOT_TYPE(rsafacs, int (*)(RSKCON*, RSKANALYSIS*, const RSKNAMEREC*, double, double, uint32_t, uint32_t,
                                      const RSKNAMEREC*, double, double, uint32_t, uint32_t))
// The aggregation engine (engine/output/aggregation.h): callbacks spelled out, so that the
// modules need no header of the engine's output subsystem.
struct RSKAGGCTL;
struct RSKCCVAR;
QOR_ENGINE_SLOT_TYPE(rskgrp0, int (*)(RSKCON*, RSKAGGCTL*, int (*)(RSKCON*, void*, void*), void*, int32_t*))
QOR_ENGINE_SLOT_TYPE(rskgrp1, int (*)(RSKCON*, RSKAGGCTL*, int (*)(RSKCON*, void*), int (*)(RSKCON*),
                                      int (*)(RSKCON*), int))
QOR_ENGINE_SLOT_TYPE(rskgrp2, int (*)(RSKCON*, RSKAGGCTL*))
QOR_ENGINE_SLOT_TYPE(rskgrp3, int (*)(RSKCON*, RSKAGGCTL*))
QOR_ENGINE_SLOT_TYPE(rskgrp4, int (*)(RSKCON*, RSKAGGCTL*))
QOR_ENGINE_SLOT_TYPE(rskgrp5, int (*)(RSKCON*, RSKAGGCTL*))
QOR_ENGINE_SLOT_TYPE(rskgrp6, int (*)(RSKCON*, RSKAGGCTL*, void*, int (*)(RSKCON*, void*, void*, int, const char*),
                                      int (*)(RSKCON*, void*, int, int)))
QOR_ENGINE_SLOT_TYPE(rskgrpd, int (*)(RSKCON*, RSKCROSSCLASS*, RSKVARIABLE*, RSKAGGCTL**, int32_t))
QOR_ENGINE_SLOT_TYPE(rskgrpf, int (*)(RSKCON*, RSKAGGCTL*))
QOR_ENGINE_SLOT_TYPE(rskgrpi, int (*)(RSKCON*, RSKAGGCTL*))
QOR_ENGINE_SLOT_TYPE(rskgrps, int (*)(RSKCON*, RSKAGGCTL*, int (*)(RSKCON*, void*, void*, int, int),
                                      int (*)(RSKCON*, void*, int), int (*)(RSKCON*, void*)))
QOR_ENGINE_SLOT_TYPE(rskgrpx, int (*)(RSKCON*, RSKAGGCTL*, const char*))
QOR_ENGINE_SLOT_TYPE(rskgrpy, int (*)(const char*, char*, int32_t*))
QOR_ENGINE_SLOT_TYPE(rskgrpz, RSKCCVAR* (*)(RSKCON*, RSKAGGCTL*))
// Counterparty and mitigation containers (engine/tables/counterparty_records.h).
QOR_ENGINE_SLOT_TYPE(delete_cpty, int (*)(qor_pool*, RSKCPTY*))
QOR_ENGINE_SLOT_TYPE(delete_cpty_con, int (*)(qor_pool*, RSKCPTYCON*))
QOR_ENGINE_SLOT_TYPE(delete_cpty_type, int (*)(qor_pool*, RSKCPTYTYPE*))
QOR_ENGINE_SLOT_TYPE(delete_cpty_var, int (*)(qor_pool*, RSKCPTYVAR*))
QOR_ENGINE_SLOT_TYPE(mit_add_super, int (*)(qor_pool*, RSKMITTYPE*, RSKMITTYPE*))
QOR_ENGINE_SLOT_TYPE(new_cpty, RSKCPTY* (*)(qor_pool*, const char*, RSKCPTYTYPE*, int32_t, RSKCPTYDS*))
QOR_ENGINE_SLOT_TYPE(new_cpty_con, RSKCPTYCON* (*)(qor_pool*))
QOR_ENGINE_SLOT_TYPE(new_cpty_ds, RSKCPTYDS* (*)(qor_pool*, const char*, dataset*, utilfile*, int))
QOR_ENGINE_SLOT_TYPE(new_cpty_model, RSKCPTYMODEL* (*)(qor_pool*, void*, int, const char*, int, const char*))
QOR_ENGINE_SLOT_TYPE(new_cpty_type, RSKCPTYTYPE* (*)(qor_pool*, const char*, const char*, RSKCPTYMODEL*, const char*, int))
QOR_ENGINE_SLOT_TYPE(new_cpty_var, RSKCPTYVAR* (*)(qor_pool*, const char*, const char*, int32_t, int32_t, int32_t, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(new_mit_con, RSKMITIGATIONCON* (*)(qor_pool*))
QOR_ENGINE_SLOT_TYPE(new_mit_ds, RSKMITDS* (*)(qor_pool*, const char*, dataset*, int))
QOR_ENGINE_SLOT_TYPE(new_mit_type, RSKMITTYPE* (*)(qor_pool*, const char*, const char*, const char*, int))
QOR_ENGINE_SLOT_TYPE(new_mit_var, RSKCPTYVAR* (*)(qor_pool*, const char*, const char*, int32_t, int32_t, int32_t, RSKVARIABLE*))
QOR_ENGINE_SLOT_TYPE(cpty_add_super, int (*)(qor_pool*, RSKCPTYTYPE*, RSKCPTYTYPE*))
QOR_ENGINE_SLOT_TYPE(new_cpty_catdesc, RSKCATOBJ* (*)(qor_pool*))
QOR_ENGINE_SLOT_TYPE(new_mit_catdesc, RSKCATOBJ* (*)(qor_pool*))
// The counterparty run (engine/counterparty/counterparty_run.h).
QOR_ENGINE_SLOT_TYPE(close_cpty_ds, int (*)(RSKCPTYDS*))
QOR_ENGINE_SLOT_TYPE(open_cpty_input, int (*)(RSKCON*, RSKCPTYDS*))
QOR_ENGINE_SLOT_TYPE(open_cpty_output, int (*)(RSKCON*, RSKCPTYDS*))
QOR_ENGINE_SLOT_TYPE(rskrsvcpty, int (*)(RSKCON*))
// The containers' XML documents (engine/counterparty/container_xml.h).
struct RSKXMLCTX;
QOR_ENGINE_SLOT_TYPE(rskcptyxmlinit, RSKXMLCTX* (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskcptyxmlfree, void (*)(RSKXMLCTX*))
QOR_ENGINE_SLOT_TYPE(rskcptyxmlparse, int (*)(RSKXMLCTX*, const char*, int64_t))
QOR_ENGINE_SLOT_TYPE(rskcptybuildxml, char* (*)(RSKXMLCTX*))
QOR_ENGINE_SLOT_TYPE(rskmitxmlinit, RSKXMLCTX* (*)(RSKCON*))
QOR_ENGINE_SLOT_TYPE(rskmitxmlfree, void (*)(RSKXMLCTX*))
QOR_ENGINE_SLOT_TYPE(rskmitxmlparse, int (*)(RSKXMLCTX*, const char*, int64_t))
QOR_ENGINE_SLOT_TYPE(rskmitbuildxml, char* (*)(RSKXMLCTX*))
// The drivers without a project: mark-to-market (PRICE) and GETRATES.
struct RSKNAMELIST;
QOR_ENGINE_SLOT_TYPE(rskmtm, int (*)(RSKCON*, const RSKNAMEREC*, const RSKNAMELIST*, const RSKNAMELIST*,
                                     const RSKNAMELIST*, RSKNAMELIST*, double, const char*, const RSKNAMEREC*,
                                     const RSKNAMEREC*, const char*))
QOR_ENGINE_SLOT_TYPE(rskrate, int (*)(RSKCON*, const RSKNAMELIST*, const RSKNAMELIST*, RSKNAMELIST*, double,
                                      const RSKNAMEREC*, const RSKNAMEREC*, const char*))
// Project run driver (engine/run/project_run.h).
QOR_ENGINE_SLOT_TYPE(rskrun, int (*)(RSKCON*, RSKCATOBJ*, double, const char*, const RSKNAMEREC*, const RSKNAMEREC*,
                                     RSKOPTREC*, RSKNAMELIST*, const int32_t*, const RSKNAMEREC*, RSKRUNPARMS*,
                                     const char*))
#undef QOR_ENGINE_SLOT_TYPE

template <EngineSlot S>
using engine_slot_t = typename EngineSlotType<S>::type;

// The routine in slot S of the published table, typed as the slot is; null when appendage A is
// not loaded (or has withdrawn its table).
template <EngineSlot S>
engine_slot_t<S> engine_routine() {
    return reinterpret_cast<engine_slot_t<S>>(wivslot(kEngineTableVector, static_cast<int>(S)));
}
