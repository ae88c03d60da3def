package tarvo;

import java.util.Arrays;

/** The exchange formats of other tools (XMLBIF, MSBN, Ergo) through readFile and writeFile. */
public class NetworkExchangeFormatsTest {
    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    private static void roundTrip(String suffix) {
        Network rain = Fixtures.read(Fixtures.RAIN);
        Network copy = new Network();
        try {
            String path = Fixtures.tempPath(suffix);
            rain.writeFile(path);
            copy.readFile(path);
            for (String id : rain.getAllNodeIds()) {
                Check.equal(Arrays.asList(rain.getOutcomeIds(id)), Arrays.asList(copy.getOutcomeIds(id)));
                Check.equal(Arrays.asList(rain.getParentIds(id)), Arrays.asList(copy.getParentIds(id)));
            }
            copy.setEvidence("WetGrass", "yes");
            copy.updateBeliefs();
            Fixtures.near(0.18 / 0.42, copy.getNodeValue("Rain")[0], "P(Rain=yes | WetGrass=yes) " + suffix);
        } finally {
            rain.dispose();
            copy.dispose();
        }
    }

    public void testXmlBifRoundTrip() {
        roundTrip(".xml03");
    }

    public void testMsbnRoundTrip() {
        roundTrip(".dsc");
    }

    public void testErgoRoundTrip() {
        roundTrip(".erg");
    }

    /** Single-precision rounding of 0 in a table reads as 0; a more negative entry is refused naming the node. */
    public void testATinyNegativeEntryReadsAsZero() {
        String hugin = "net {}\nnode A { states = (\"y\" \"n\"); }\npotential (A) { data = (1 {E}); }\n";
        Network net = new Network();
        try {
            net.readFile(Fixtures.writeTemp(".net", hugin.replace("{E}", "-1.1920929e-07")));
            Check.equal(0.0, net.getNodeDefinition("A")[1]);
            String bad = Fixtures.writeTemp(".net", hugin.replace("{E}", "-2e-6"));
            Check.equal("TARVO error -2 in function ReadFile. Logged information: " + Fixtures.atLine(3, bad)
                    + "ERROR: Node [A] : -2e-06 is no probability\n", message(() -> net.readFile(bad)));
        } finally {
            net.dispose();
        }
    }

    /**
     * A sample count is a whole number of at least 1 in both files that keep it, as setSampleCount takes it, in
     * e-notation too; a 0 that earlier versions wrote reads as the default.
     */
    public void testASampleCountIsAWholeNumberOfAtLeastOne() {
        String xml = "<?xml version=\"1.0\"?>\n<tarvo version=\"1.0\" id=\"n\" numsamples=\"{N}\">\n"
                + "<nodes>\n</nodes>\n</tarvo>\n";
        Network net = new Network();
        try {
            for (String count : new String[] {"-3", "2.0", ""}) {
                String path = Fixtures.writeTemp(".xvrx", xml.replace("{N}", count));
                Check.isTrue(message(() -> net.readFile(path)).contains("Invalid number of samples: '" + count + "'"),
                        count);
            }
            String[][] read = {{"1e3", "1000"}, {"1.5e3", "1500"}, {"0", "1000"}};
            for (String[] pair : read) {
                net.setSampleCount(7);
                net.readFile(Fixtures.writeTemp(".xvrx", xml.replace("{N}", pair[0])));
                Check.equal(Integer.parseInt(pair[1]), net.getSampleCount());
            }
        } finally {
            net.dispose();
        }
    }

    public void testAFileWithoutItsHeadIsRefusedWithItsMessage() {
        Network net = Fixtures.read(Fixtures.RAIN);
        try {
            String ergo = Fixtures.writeTemp(".erg", "garbage");
            Check.equal("TARVO error -127 in function ReadFile. Logged information: " + Fixtures.atLine(1, ergo)
                    + "ERROR: 'garbage' : Integer expected\n", message(() -> net.readFile(ergo)));
            String msbn = Fixtures.writeTemp(".dsc", "garbage");
            Check.equal("TARVO error -127 in function ReadFile. Logged information: " + Fixtures.atLine(1, msbn)
                    + "ERROR: 'garbage' : 'belief network' expected\n", message(() -> net.readFile(msbn)));
            Check.equal(Arrays.asList("Rain", "WetGrass"), Arrays.asList(net.getAllNodeIds()));
        } finally {
            net.dispose();
        }
    }
}
