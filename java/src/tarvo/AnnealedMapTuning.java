package tarvo;

/**
 * The settings of the annealed MAP search, {@link Network#annealedMap(int[], AnnealedMapTuning)}; the
 * fields start at the network's defaults. The search reads every field by name and refuses settings out of
 * range, naming the first: 0.5 &lt;= speed &lt;= 0.99, Tmin &gt; 0, Tinit &gt; Tmin, kReheat &gt; 0 (Tinit and
 * kReheat finite), numCycle &gt;= 1 and 1 &lt;= iReheatSteps &lt;= iStopSteps. The network keeps the settings of a search
 * that succeeds for later searches.
 */
public class AnnealedMapTuning {
    /** The factor by which the temperature falls after each round, in [0.5, 0.99]. */
    public double speed = 0.8;
    /** The lowest temperature, above 0; it only bounds {@link #Tinit}. */
    public double Tmin = 0.001;
    /** The temperature at the start and after a full reheat, above {@link #Tmin}. */
    public double Tinit = 0.99;
    /** The factor of the temperature rise when the search reheats, above 0. */
    public double kReheat = 0.1;
    /** Stored with the settings; the search does not use it. */
    public int kMAP = 0;
    /** Stored with the settings; the search does not use it. */
    public double kRFC = 0.0;
    /** The number of moves over all requested nodes in one round, at least 1. */
    public int numCycle = 1;
    /** The number of rounds without improvement after which the search reheats, at least 1. */
    public int iReheatSteps = 10;
    /** The search stops after more than this many rounds without improvement; at least iReheatSteps. */
    public int iStopSteps = 20;
    /** The seed of the search's random numbers; 0 takes one from the clock. */
    public int randSeed = 0;

    /** Makes settings with the defaults. */
    public AnnealedMapTuning() {
    }
}
